// Input nodes of a 3D seabed on their way from the file to the generator.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/library_state.hpp"
#include "core/list_inc.hpp"

namespace seabed {

/// X is the elevation; (Y, Z) the horizontal position.
struct Node {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

/// Nodes are equal when Y and Z both differ by at most the library's node
/// tolerance (inclusive, in float); X is never compared.
inline bool compare_node(const Node& a, const Node& b) {
    const float tol = library_state().node_tolerance;
    return std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol;
}

struct NodeEqual {
    bool operator()(const Node& a, const Node& b) const { return compare_node(a, b); }
};

using NodeList = List<Node, NodeEqual>;

}  // namespace seabed
