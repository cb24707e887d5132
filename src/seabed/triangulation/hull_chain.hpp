// The hull of a triangulation under construction, as node insertion uses it:
// find the chain of hull nodes a new node sees, then splice the node in.
// Two forms with the same results: ScanHull keeps IBND itself and scans it
// from its start (rlmost, update_boundary); HashedHull keeps the hull as
// links between nodes (next and prev, indexed by node), starts the search
// from a hash of the hull by angle around node 1, and writes IBND once at the
// end.
#pragma once

#include <cstdint>
#include <vector>

#include "core/seabed_parameters.hpp"
#include "seabed/triangulation/triangulation_arrays.hpp"

namespace seabed {

class ScanHull {
public:
    /// ibnd: IBND with the first triangle in place; nb, lb its counts.
    ScanHull(std::int32_t* ibnd, std::int32_t& nb, std::int32_t& lb) : ibnd_(ibnd), nb_(nb), lb_(lb) {}
    /// The chain node k sees, first to last in hull order, into `chain`.
    [[nodiscard]] Status find(std::int32_t k, const float* y, const float* z, std::vector<std::int32_t>& chain);
    /// Replaces the inner nodes of the chain last found by k.
    [[nodiscard]] Status splice(std::int32_t k);
    void finish() {}

private:
    std::int32_t* ibnd_;
    std::int32_t& nb_;
    std::int32_t& lb_;
    std::int32_t ifirst_ = 0, ilast_ = 0;
    std::vector<std::int32_t> scratch_;
};

class HashedHull {
public:
    /// As ScanHull; next[v] and prev[v] (v = 1..n) link the hull nodes
    /// counter-clockwise and are 0 for a node the hull has left; entries of
    /// nodes not yet inserted are never read. The hash takes the room of IBND
    /// until finish() writes the hull there.
    HashedHull(std::int32_t n, std::int32_t* ibnd, std::int32_t& nb, std::int32_t& lb, std::int32_t* next,
               std::int32_t* prev, const float* y, const float* z);
    [[nodiscard]] Status find(std::int32_t k, const float* y, const float* z, std::vector<std::int32_t>& chain);
    [[nodiscard]] Status splice(std::int32_t k);
    /// Writes the hull into IBND from the node that heads it, as the scan
    /// would have left it (it rotates the list only to start at a chain's
    /// first node, when the chain passes over the head).
    void finish();

private:
    std::int32_t key(std::int32_t v) const;
    bool visible(std::int32_t a, std::int32_t b) const;

    std::int32_t n_;
    std::int32_t* ibnd_;
    std::int32_t& nb_;
    std::int32_t& lb_;
    std::int32_t* next_;
    std::int32_t* prev_;
    const float* y_;
    const float* z_;
    double ak_ = 0.0, bk_ = 0.0;  // the node being inserted, widened
    std::int32_t size_ = 1;       // hash buckets
    std::int32_t head_ = 0;       // IBND(1)
    std::int32_t first_ = 0, last_ = 0;
    bool head_inside_ = false;
};

}  // namespace seabed
