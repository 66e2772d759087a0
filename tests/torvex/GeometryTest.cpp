#include "torvex/Geometry.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

// Rings repaired and coordinates scaled are cases in tests/cases/polygons and
// tests/cases/projection, where each shape's bounds are checked against its vertices; angles in
// degrees, minutes and seconds are the .prj cases' meridians and parallels.

// The bounds of plane shapes are shapelib's own, also where NaN, infinities and signed zeros
// decide.
TEST(GeometryTest, PlaneBoundsAreShapelibs)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> values[] = {
        {3, -1, 2}, {nan, 1, 2}, {1, nan, -5}, {1, 2, nan}, {-0.0, 0.0}, {0.0, -0.0}, {inf, -inf},
    };
    for (const auto& xs : values) {
        std::vector<double> ys(xs.rbegin(), xs.rend());
        const int n = static_cast<int>(xs.size());
        Torvex::Geometry* g = SHPCreateSimpleObject(SHPT_ARC, n, xs.data(), ys.data(), nullptr);
        SHPComputeExtents(g);
        const double shapelibs[4] = {g->dfXMin, g->dfYMin, g->dfXMax, g->dfYMax};
        g->dfXMin = g->dfYMin = g->dfXMax = g->dfYMax = 7;
        Torvex::ComputePlaneBounds(g);
        const double ours[4] = {g->dfXMin, g->dfYMin, g->dfXMax, g->dfYMax};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(ours[i]),
                      std::bit_cast<std::uint64_t>(shapelibs[i]))
                << testing::PrintToString(xs) << " bound " << i;
        }
        Torvex::DestroyGeometry(g);
    }
}

}  // namespace
