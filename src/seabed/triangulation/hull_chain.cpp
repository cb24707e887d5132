#include "seabed/triangulation/hull_chain.hpp"

#include <algorithm>
#include <cmath>

#include "seabed/triangulation/rlmost.hpp"
#include "seabed/triangulation/supplements.hpp"
#include "seabed/triangulation/update_boundary.hpp"

namespace seabed {

Status ScanHull::find(std::int32_t k, const float* y, const float* z, std::vector<std::int32_t>& chain) {
    if (Status st = rlmost(nb_, lb_, ibnd_, k, y, z, ifirst_, ilast_); st != Status::Ok) return st;
    chain.assign(ibnd_ + (ifirst_ - 1), ibnd_ + ilast_);
    return Status::Ok;
}

Status ScanHull::splice(std::int32_t k) { return update_boundary(k, ifirst_, ilast_, ibnd_, nb_, lb_, scratch_); }

// Why the chain comes out as the scan's: the scan reports the first position
// where the hull turns from hidden to visible edges and the first where it
// turns back. Over a convex hull the visible edges form one run, so any
// visible edge, extended both ways with the same lineleftf test until a
// hidden edge, gives the same two nodes, whichever edge the search starts
// from. The hash only chooses where the search starts.

HashedHull::HashedHull(std::int32_t n, std::int32_t* ibnd, std::int32_t& nb, std::int32_t& lb, std::int32_t* next,
                       std::int32_t* prev, const float* y, const float* z)
    : n_(n), ibnd_(ibnd), nb_(nb), lb_(lb), next_(next), prev_(prev), y_(y), z_(z) {
    // about one bucket per hull node of a random survey; never more than IBND holds
    size_ = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::sqrt(static_cast<double>(n))));
    head_ = ibnd_[0];
    const std::int32_t first[3] = {ibnd_[0], ibnd_[1], ibnd_[2]};
    for (int i = 0; i < 3; ++i) {
        next_[first[i]] = first[(i + 1) % 3];
        prev_[first[i]] = first[(i + 2) % 3];
    }
    std::fill(ibnd_, ibnd_ + (static_cast<std::int64_t>(n_) + 1), 0);
    for (const std::int32_t v : first) ibnd_[key(v)] = v;
}

std::int32_t HashedHull::key(std::int32_t v) const {
    // pseudo-angle around node 1, rising counter-clockwise over the half-plane
    // Y >= Y(1) where every node lies
    const double dy = static_cast<double>(y_[v - 1]) - static_cast<double>(y_[0]);
    const double dz = static_cast<double>(z_[v - 1]) - static_cast<double>(z_[0]);
    const double sum = std::fabs(dy) + std::fabs(dz);
    const double p = sum > 0.0 ? dz / sum : 0.0;
    const auto b = static_cast<std::int32_t>((p + 1.0) * 0.5 * static_cast<double>(size_));
    return std::clamp<std::int32_t>(b, 0, size_ - 1);
}

bool HashedHull::visible(std::int32_t a, std::int32_t b) const {
    return !lineleftf(ak_, bk_, y_[a - 1], z_[a - 1], y_[b - 1], z_[b - 1]);
}

Status HashedHull::find(std::int32_t k, const float* y, const float* z, std::vector<std::int32_t>& chain) {
    chain.clear();
    if (nb_ >= k) return Status::BoundaryTooLong;
    if (nb_ < 1) return Status::Collinear;
    ak_ = y[k - 1];
    bk_ = z[k - 1];
    auto next = [&](std::int32_t v) { return next_[v]; };
    auto prev = [&](std::int32_t v) { return prev_[v]; };
    // a hull node at or just past k's angle, then the one before it
    std::int32_t start = 0;
    const std::int32_t from = key(k);
    for (std::int32_t j = 0; j < size_ && start == 0; ++j) {
        const std::int32_t s = ibnd_[(from + j) % size_];
        if (s != 0 && next(s) != 0) start = s;
    }
    if (start == 0) start = head_;
    start = prev(start);
    std::int32_t e = start;
    while (!visible(e, next(e))) {
        e = next(e);
        if (e == start) return Status::Collinear;  // no edge visible: the scan finds no end
    }
    // every edge visible has no end either; nb steps prove it
    std::int32_t steps = 0;
    first_ = e;
    while (visible(prev(first_), first_))
        if (first_ = prev(first_); ++steps >= nb_) return Status::Collinear;
    last_ = next(e);
    while (visible(last_, next(last_)))
        if (last_ = next(last_); ++steps >= nb_) return Status::Collinear;
    head_inside_ = false;
    for (std::int32_t v = first_;; v = next(v)) {
        chain.push_back(v);
        if (v == last_) break;
        head_inside_ = head_inside_ || (v == head_ && v != first_);
    }
    return Status::Ok;
}

Status HashedHull::splice(std::int32_t k) {
    std::int32_t d = 1;
    for (std::int32_t v = next_[first_]; v != last_; ++d) {
        const std::int32_t after = next_[v];
        next_[v] = prev_[v] = 0;
        v = after;
    }
    next_[first_] = k;
    prev_[k] = first_;
    next_[k] = last_;
    prev_[last_] = k;
    nb_ = nb_ - d + 2;
    lb_ = nb_ + 1;
    if (head_inside_) head_ = first_;
    ibnd_[key(k)] = k;
    return Status::Ok;
}

void HashedHull::finish() {
    std::fill(ibnd_, ibnd_ + (static_cast<std::int64_t>(n_) + 1), 0);
    std::int32_t v = head_;
    for (std::int32_t i = 0; i < nb_ && v != 0; ++i, v = next_[v]) ibnd_[i] = v;
    ibnd_[nb_] = head_;
}

}  // namespace seabed
