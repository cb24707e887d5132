#include <gtest/gtest.h>

#include <cmath>

#include "seabed/supplements.hpp"

namespace seabed {
namespace {

TEST(NodeLeftRightCollinear, SideAndRelativeTolerance) {
    struct Case {
        const char* name;
        float p[2], a[2], b[2], tol;
        std::int32_t side;
    } cases[] = {
        {"left of the line", {0.5f, 1}, {0, 0}, {1, 0}, 1.0e-6f, -1},
        {"right of the line", {0.5f, -1}, {0, 0}, {1, 0}, 1.0e-6f, 1},
        {"on the line", {2, 2}, {0, 0}, {1, 1}, 1.0e-6f, 0},
        {"on the line, zero tolerance", {2, 2}, {0, 0}, {1, 1}, 0.0f, 1},
        {"near the line, zero tolerance", {2, 1.0e-7f}, {0, 0}, {1, 0}, 0.0f, -1},
        {"within the tolerance", {2, 1.0e-7f}, {0, 0}, {1, 0}, 1.0e-6f, 0},
        // the cross product grows with the square of the scale, the allowance only linearly
        {"the same shape scaled up", {2000, 1.0e-4f}, {0, 0}, {1000, 0}, 1.0e-6f, -1},
        {"coincident line ends", {5, 5}, {1, 1}, {1, 1}, 1.0e-6f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(node_leftright_collinear(c.p[0], c.p[1], c.a[0], c.a[1], c.b[0], c.b[1], c.tol), c.side);
    }
}

TEST(AspectRatio, ShapeMeasure) {
    // tolerances: single-precision rounding of sqrt(3) and of the circumcentre
    const float ea[] = {0, 1, 0.5f}, eb[] = {0, 0, std::sqrt(3.0f) / 2};
    EXPECT_NEAR(aspect_ratio(ea, eb), 0.5f, 1.0e-6f);
    const float ra[] = {0, 1, 0}, rb[] = {0, 0, 1};
    EXPECT_NEAR(aspect_ratio(ra, rb), std::sqrt(2.0f) - 1.0f, 1.0e-6f);
    const float ca[] = {0, 1, 2}, cb[] = {0, 1, 2};
    EXPECT_EQ(aspect_ratio(ca, cb), 0.0f);
    // translation and reversal change it only by rounding
    const float ta[] = {100, 101, 100}, tb[] = {-50, -50, -49};
    const float va[] = {0, 0, 1}, vb[] = {0, 1, 0};
    EXPECT_NEAR(aspect_ratio(ta, tb), aspect_ratio(ra, rb), 1.0e-4f);
    EXPECT_NEAR(aspect_ratio(va, vb), aspect_ratio(ra, rb), 1.0e-6f);
}

}  // namespace
}  // namespace seabed
