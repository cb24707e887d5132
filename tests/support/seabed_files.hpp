// Hand-made seabed files in the layout a generation leaves, written record by
// record without library code, so the loaders are checked against the layout
// itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace seabed::testing {

inline constexpr std::int32_t kTestMagic = 0x0FF26702;

/// A generated 2D seabed with 4 nodes: node block in record 12, blocks A and
/// B in records 13..44, spline slopes (block C) in 45, Bessel slopes (D) in 46.
struct Handmade2D {
    std::vector<float> x{1.0f, 2.0f, 0.5f, -1.0f};
    std::vector<float> y{0.0f, 1.0f, 3.0f, 4.5f};
    std::vector<float> spline{0.0f, 0.25f, -0.5f, 0.0f};
    std::vector<float> bessel{0.0f, 0.125f, -0.75f, 0.0f};
    void write(const std::string& path) const;
};

/// A generated 3D seabed of one triangle with NS = 2 sub-nodes and NST = 1:
/// blocks 1..8 in records 12-13, 14, 15-16, 17, 18, 19, 20, 21.
struct Handmade3D {
    std::vector<float> nodes{5.0f, 0.0f, 0.0f, 6.0f, 1.0f, 0.0f, 7.0f, 0.0f, 1.0f};  // (X, Y, Z) per node
    std::vector<std::int32_t> triangles{1, 2, 3};
    std::vector<std::int32_t> iadj{2, 3, 0, 3, 1, 0, 1, 2, 0};
    std::vector<std::int32_t> istart{1, 4, 7};
    std::vector<float> gradients{0.5f, -0.25f, 1.5f, 2.0f, -3.0f, 0.125f};
    void write(const std::string& path) const;
};

}  // namespace seabed::testing
