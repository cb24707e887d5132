#include "seabed/surface/local_order.hpp"

#include <algorithm>
#include <cmath>

#include "core/try_resize.hpp"

namespace seabed {
namespace {

/// Position along the Hilbert curve through a 2^16 x 2^16 grid of the cell
/// (a, b). Below the bit in hand, side - 1 - v is ~v, so the reflections
/// complement and the turns swap, without branches.
std::uint32_t hilbert_index(std::uint32_t a, std::uint32_t b) {
    std::uint32_t d = 0;
    for (std::uint32_t s = 1u << 15; s > 0; s >>= 1) {
        const std::uint32_t ra = (a & s) ? 1u : 0u;
        const std::uint32_t rb = (b & s) ? 1u : 0u;
        d += s * s * ((3u * ra) ^ rb);
        const std::uint32_t turn = rb - 1u;     // all ones when rb is 0
        const std::uint32_t flip = turn & (0u - ra);  // all ones when rb is 0 and ra is 1
        a ^= flip;
        b ^= flip;
        const std::uint32_t swap = (a ^ b) & turn;
        a ^= swap;
        b ^= swap;
    }
    return d;
}

/// Cell of v in 2^16 cells over [lo, hi]; a value that is not a number goes to cell 0.
std::uint32_t cell(float v, double lo, double scale) {
    const double c = (static_cast<double>(v) - lo) * scale;
    if (!(c >= 0.0)) return 0;
    return c >= 65535.0 ? 65535u : static_cast<std::uint32_t>(c);
}

/// The lists are the layout a finished triangulation leaves: ISTART(1) = 1,
/// every list holds at least one entry, the last ends at NADJ, and every
/// entry is a node number or 0.
bool plain_layout(std::int32_t n, std::int32_t nadj, const std::vector<NodeNo>& iadj,
                  const std::vector<NodeNo>& istart) {
    if (n < 1 || nadj < n || static_cast<std::int64_t>(istart.size()) < n ||
        static_cast<std::int64_t>(iadj.size()) < nadj || istart[0] != 1)
        return false;
    for (std::int32_t k = 1; k < n; ++k)
        if (istart[static_cast<std::size_t>(k)] <= istart[static_cast<std::size_t>(k - 1)]) return false;
    if (istart[static_cast<std::size_t>(n - 1)] > nadj) return false;
    for (std::int32_t p = 0; p < nadj; ++p) {
        const NodeNo v = iadj[static_cast<std::size_t>(p)];
        if (v < 0 || v > n) return false;
    }
    return true;
}

}  // namespace

Status build_local_order(const NodeData& nd, LocalOrder& out) {
    out.used = false;
    const Triangulation& t = nd.t;
    const std::int32_t n = static_cast<std::int32_t>(nd.x.size());
    const std::int32_t nadj = t.nadj;
    if (!local_order_tuning::enabled || !plain_layout(n, nadj, t.iadj, t.istart)) return Status::Ok;
    const std::size_t un = static_cast<std::size_t>(n);

    // Hilbert keys over the nodes' box, then the node order by key (two
    // stable 16-bit counting passes; equal keys keep their node order).
    float ylo = 0.0f, yhi = 0.0f, zlo = 0.0f, zhi = 0.0f;
    bool any = false;
    for (std::size_t k = 0; k < un; ++k) {
        const float a = nd.y[static_cast<std::int64_t>(k)], b = nd.z[static_cast<std::int64_t>(k)];
        if (!std::isfinite(a) || !std::isfinite(b)) continue;
        if (!any || a < ylo) ylo = a;
        if (!any || a > yhi) yhi = a;
        if (!any || b < zlo) zlo = b;
        if (!any || b > zhi) zhi = b;
        any = true;
    }
    const double ys = yhi > ylo ? 65536.0 / (static_cast<double>(yhi) - static_cast<double>(ylo)) : 0.0;
    const double zs = zhi > zlo ? 65536.0 / (static_cast<double>(zhi) - static_cast<double>(zlo)) : 0.0;
    std::vector<std::uint32_t> key, key2;
    std::vector<NodeNo> order, order2;
    if (!try_resize_large(key, n) || !try_resize_large(key2, n) || !try_resize_large(order, n) ||
        !try_resize_large(order2, n))
        return Status::AllocSubnodeArrays;
    for (std::size_t k = 0; k < un; ++k) {
        const std::int64_t i = static_cast<std::int64_t>(k);
        key[k] = hilbert_index(cell(nd.y[i], static_cast<double>(ylo), ys), cell(nd.z[i], static_cast<double>(zlo), zs));
        order[k] = static_cast<NodeNo>(k + 1);
    }
    for (int shift : {0, 16}) {
        std::vector<std::uint32_t> count(65537, 0);
        for (std::size_t k = 0; k < un; ++k) ++count[((key[k] >> shift) & 0xFFFFu) + 1];
        for (std::size_t c = 1; c < count.size(); ++c) count[c] += count[c - 1];
        for (std::size_t k = 0; k < un; ++k) {
            const std::uint32_t slot = count[(key[k] >> shift) & 0xFFFFu]++;
            key2[slot] = key[k];
            order2[slot] = order[k];
        }
        key.swap(key2);
        order.swap(order2);
    }
    std::vector<std::uint32_t>().swap(key);
    std::vector<std::uint32_t>().swap(key2);
    std::vector<NodeNo>().swap(order2);

    if (!try_resize_large(out.renumber, n) || !try_resize_large(out.istart, n) ||
        !try_resize_large(out.iadj, nadj) || !try_resize_large(out.x, n) || !try_resize_large(out.y, n) ||
        !try_resize_large(out.z, n) || !try_resize_large(out.grad, 2 * std::int64_t{n}))
        return Status::AllocSubnodeArrays;
    for (std::size_t a = 0; a < un; ++a) out.renumber[static_cast<std::size_t>(order[a] - 1)] = static_cast<NodeNo>(a + 1);
    // In the original node order, so that every read but the renumbering
    // runs along its array: list lengths into the new order, their starts,
    // then values and lists moved to their new places.
    for (std::size_t o = 0; o < un; ++o) {
        const NodeNo end = o + 1 < un ? t.istart[o + 1] : nadj + 1;
        out.istart[static_cast<std::size_t>(out.renumber[o] - 1)] = end - t.istart[o];
    }
    NodeNo next = 1;
    for (std::size_t a = 0; a < un; ++a) {
        const NodeNo length = out.istart[a];
        out.istart[a] = next;
        next += length;
    }
    for (std::size_t o = 0; o < un; ++o) {
        const std::size_t a = static_cast<std::size_t>(out.renumber[o] - 1);
        const std::int64_t oi = static_cast<std::int64_t>(o);
        out.x[a] = nd.x[oi];
        out.y[a] = nd.y[oi];
        out.z[a] = nd.z[oi];
        out.grad[2 * a] = nd.grad[2 * oi];
        out.grad[2 * a + 1] = nd.grad[2 * oi + 1];
        const NodeNo end = o + 1 < un ? t.istart[o + 1] : nadj + 1;
        NodeNo* dst = &out.iadj[static_cast<std::size_t>(out.istart[a] - 1)];
        for (NodeNo p = t.istart[o]; p < end; ++p) {
            const NodeNo v = t.iadj[static_cast<std::size_t>(p - 1)];
            *dst++ = v == 0 ? 0 : out.renumber[static_cast<std::size_t>(v - 1)];
        }
    }
    out.n = n;
    out.nadj = nadj;
    out.used = true;
    return Status::Ok;
}

}  // namespace seabed
