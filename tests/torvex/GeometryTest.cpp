#include "torvex/Geometry.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using Ring = std::vector<std::pair<double, double>>;

Torvex::Geometry* MakeShape(int type, const std::vector<Ring>& parts)
{
    std::vector<int> starts;
    std::vector<double> x, y;
    for (const Ring& part : parts) {
        starts.push_back(static_cast<int>(x.size()));
        for (const auto& [px, py] : part) {
            x.push_back(px);
            y.push_back(py);
        }
    }
    return SHPCreateObject(type, -1, static_cast<int>(starts.size()), starts.data(), nullptr,
                           static_cast<int>(x.size()), x.data(), y.data(), nullptr, nullptr);
}

// A shape's parts, vertices and bounds, written out so that two shapes compare in one step.
std::string Describe(const Torvex::Geometry* g)
{
    std::string text = std::to_string(g->nVertices) + " vertices";
    for (int part = 0; part < g->nParts; ++part) {
        const int end = part + 1 < g->nParts ? g->panPartStart[part + 1] : g->nVertices;
        text += "\npart of type " + std::to_string(g->panPartType[part]) + ":";
        for (int i = g->panPartStart[part]; i < end; ++i) {
            text += " " + std::to_string(g->padfX[i]) + "," + std::to_string(g->padfY[i]);
        }
    }
    return text + "\nbounds " + std::to_string(g->dfXMin) + "," + std::to_string(g->dfYMin) + " " +
           std::to_string(g->dfXMax) + "," + std::to_string(g->dfYMax);
}

// Rings are closed, dropped when degenerate, and oriented by containment: outer rings (also an
// island in a hole) clockwise, holes counter-clockwise. Rings already closed and usable take a
// shortcut that must give the same.
TEST(GeometryTest, FixGeoTopoClosesOrientsAndDropsRings)
{
    const Ring squareCw = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
    const Ring squareCcwOpen = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const Ring holeCw = {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}};
    const Ring holeCcw = {{2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}};
    const Ring otherHoleCcw = {{5, 5}, {8, 5}, {8, 8}, {5, 8}, {5, 5}};
    const Ring islandCcwOpen = {{6, 6}, {7, 6}, {7, 7}, {6, 7}};
    const Ring islandCw = {{6, 6}, {6, 7}, {7, 7}, {7, 6}, {6, 6}};
    const Ring farSquareCcw = {{20, 0}, {30, 0}, {30, 10}, {20, 10}, {20, 0}};
    const Ring farSquareCw = {{20, 0}, {20, 10}, {30, 10}, {30, 0}, {20, 0}};
    const Ring collinear = {{0.1, 0.1}, {0.2, 0.2}, {0.3, 0.3}, {0.1, 0.1}};
    const Ring twoPoints = {{1, 1}, {2, 1}};
    const struct {
        const char* what;
        std::vector<Ring> rings;
        std::vector<Ring> fixed;
    } cases[] = {
        {"clockwise square kept", {squareCw}, {squareCw}},
        {"open counter-clockwise outer", {squareCcwOpen}, {squareCw}},
        {"holes of either orientation",
         {squareCw, holeCw, otherHoleCcw},
         {squareCw, holeCcw, otherHoleCcw}},
        {"hole listed before its outer", {holeCw, squareCcwOpen}, {holeCcw, squareCw}},
        {"two separate outers", {farSquareCcw, squareCcwOpen}, {farSquareCw, squareCw}},
        {"island in a lake",
         {islandCcwOpen, otherHoleCcw, squareCcwOpen},
         {islandCw, otherHoleCcw, squareCw}},
        {"closed degenerate ring dropped", {squareCw, collinear}, {squareCw}},
        {"nothing usable", {collinear, twoPoints}, {}},
    };
    for (const auto& c : cases) {
        Torvex::Geometry* g = MakeShape(SHPT_POLYGON, c.rings);
        Torvex::Geometry* expected = MakeShape(SHPT_POLYGON, c.fixed);
        Torvex::FixGeoTopo(g);
        // shapelib makes one empty part for a shape without parts; the repair leaves none.
        EXPECT_EQ(Describe(g), c.fixed.empty()
                                   ? "0 vertices\nbounds 0.000000,0.000000 0.000000,0.000000"
                                   : Describe(expected))
            << c.what;
        Torvex::DestroyGeometry(g);
        Torvex::DestroyGeometry(expected);
    }
}

TEST(GeometryTest, ReScaleGeometryScalesVerticesAndBounds)
{
    // The factor, then x and y of both vertices and the bounds xMin, yMin, xMax, yMax.
    const std::vector<double> cases[] = {
        {1.0, 1, -2, 3, 4, 1, -2, 3, 4},
        {1000.0, 1000, -2000, 3000, 4000, 1000, -2000, 3000, 4000},
        {-2.0, -2, 4, -6, -8, -6, -8, -2, 4},  // mirrored: the bounds stay ordered
    };
    for (const auto& c : cases) {
        Torvex::Geometry* g = MakeShape(SHPT_ARC, {{{1, -2}, {3, 4}}});
        Torvex::ReScaleGeometry(g, c[0]);
        EXPECT_EQ((std::vector<double>{c[0], g->padfX[0], g->padfY[0], g->padfX[1], g->padfY[1],
                                       g->dfXMin, g->dfYMin, g->dfXMax, g->dfYMax}),
                  c);
        Torvex::DestroyGeometry(g);
    }
}

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
                << Describe(g) << " bound " << i;
        }
        Torvex::DestroyGeometry(g);
    }
}

TEST(GeometryTest, DMS2Degree)
{
    const std::pair<double, double> cases[] = {
        {1173015, 117 + 30.0 / 60 + 15.0 / 3600},
        {-1173015, -(117 + 30.0 / 60 + 15.0 / 3600)},
        {1170000, 117},
        {0, 0},
        {300, 0.05},
        {-453000, -45.5},
        {1173015.5, 117 + 30.0 / 60 + 15.5 / 3600},
        {595959.99, 59 + 59.0 / 60 + 59.99 / 3600},
    };
    for (const auto& [packed, degrees] : cases) {
        EXPECT_NEAR(Torvex::DMS2Degree(packed), degrees, 1e-9) << packed;
    }
}

}  // namespace
