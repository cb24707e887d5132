#include "seabed/triangulation/swap_edges.hpp"

namespace seabed {

bool swap_edgea(std::int32_t in1, std::int32_t in2, std::int32_t io1, std::int32_t io2, const float* y,
                const float* z, float tol) {
    return swap_edge_test(y[in1 - 1], z[in1 - 1], y[in2 - 1], z[in2 - 1], y[io1 - 1], z[io1 - 1], y[io2 - 1],
                          z[io2 - 1], tol);
}

}  // namespace seabed
