#include "torvex/Geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

using Ring = std::vector<std::pair<double, double>>;

Torvex::Geometry* MakeShape(int type, const std::vector<Ring>& parts)
{
    std::vector<int> starts;
    std::vector<double> x;
    std::vector<double> y;
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

int PartEnd(const Torvex::Geometry* g, int part)
{
    return part + 1 < g->nParts ? g->panPartStart[part + 1] : g->nVertices;
}

// Twice the signed area of a part: negative for clockwise rings.
double SignedArea(const Torvex::Geometry* g, int part)
{
    double sum = 0.0;
    for (int i = g->panPartStart[part]; i + 1 < PartEnd(g, part); ++i) {
        sum += g->padfX[i] * g->padfY[i + 1] - g->padfX[i + 1] * g->padfY[i];
    }
    return sum;
}

void ExpectBoundsMatchVertices(const Torvex::Geometry* g, const std::string& name)
{
    if (g->nVertices == 0) {
        return;
    }
    const auto [xMin, xMax] = std::minmax_element(g->padfX, g->padfX + g->nVertices);
    const auto [yMin, yMax] = std::minmax_element(g->padfY, g->padfY + g->nVertices);
    EXPECT_EQ(g->dfXMin, *xMin) << name;
    EXPECT_EQ(g->dfXMax, *xMax) << name;
    EXPECT_EQ(g->dfYMin, *yMin) << name;
    EXPECT_EQ(g->dfYMax, *yMax) << name;
}

const Ring kSquareCw = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
const Ring kSquareCcwOpen = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
const Ring kHoleCw = {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}};
const Ring kHoleCcw = {{5, 5}, {8, 5}, {8, 8}, {5, 8}, {5, 5}};
const Ring kIslandCcwOpen = {{6, 6}, {7, 6}, {7, 7}, {6, 7}};
const Ring kFarSquareCcw = {{20, 0}, {30, 0}, {30, 10}, {20, 10}, {20, 0}};
const Ring kCollinear = {{0.1, 0.1}, {0.2, 0.2}, {0.3, 0.3}, {0.1, 0.1}};
const Ring kTwoPoints = {{1, 1}, {2, 1}};

struct FixCase {
    std::string name;
    std::vector<Ring> rings;
    std::vector<bool> outer;  // the kept rings, in order: true = outer (clockwise)
};

const std::vector<FixCase> kFixCases = {
    {"clockwise square kept", {kSquareCw}, {true}},
    {"open counter-clockwise outer", {kSquareCcwOpen}, {true}},
    {"holes of either orientation", {kSquareCw, kHoleCw, kHoleCcw}, {true, false, false}},
    {"hole listed before its outer", {kHoleCw, kSquareCcwOpen}, {false, true}},
    {"two separate outers", {kFarSquareCcw, kSquareCcwOpen}, {true, true}},
    {"island in a lake", {kIslandCcwOpen, kHoleCcw, kSquareCcwOpen}, {true, false, true}},
    {"degenerate rings dropped", {kTwoPoints, kSquareCw, kCollinear}, {true}},
    {"nothing usable", {kCollinear, kTwoPoints}, {}},
};

TEST(GeometryTest, FixGeoTopoRepairsRings)
{
    for (const FixCase& c : kFixCases) {
        Torvex::Geometry* g = MakeShape(SHPT_POLYGON, c.rings);
        Torvex::FixGeoTopo(g);
        ASSERT_EQ(g->nParts, static_cast<int>(c.outer.size())) << c.name;
        for (int part = 0; part < g->nParts; ++part) {
            const int first = g->panPartStart[part];
            const int last = PartEnd(g, part) - 1;
            EXPECT_GE(last - first + 1, 4) << c.name << " ring " << part;
            EXPECT_EQ(g->padfX[first], g->padfX[last]) << c.name << " ring " << part;
            EXPECT_EQ(g->padfY[first], g->padfY[last]) << c.name << " ring " << part;
            EXPECT_EQ(SignedArea(g, part) < 0, c.outer[part]) << c.name << " ring " << part;
            EXPECT_EQ(g->panPartType[part], SHPP_RING) << c.name;
        }
        if (c.outer.empty()) {
            EXPECT_EQ(g->nVertices, 0) << c.name;
        }
        ExpectBoundsMatchVertices(g, c.name);
        Torvex::DestroyGeometry(g);
    }
}

// The repaired polygons, written as a Shapefile, are valid for GDAL/GEOS.
TEST(GeometryTest, FixGeoTopoResultsAreValidForGeos)
{
    if (std::string(CALVORN_OGRINFO).empty()) {
        GTEST_SKIP() << "ogrinfo not installed";
    }
    CalvornTest::TempDir dir;
    const std::string base = (dir / "fixed").string();
    SHPHandle shp = SHPCreate((base + ".shp").c_str(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreate((base + ".dbf").c_str());
    ASSERT_NE(shp, nullptr);
    ASSERT_NE(dbf, nullptr);
    DBFAddField(dbf, "id", FTInteger, 4, 0);
    int written = 0;
    for (const FixCase& c : kFixCases) {
        Torvex::Geometry* g = MakeShape(SHPT_POLYGON, c.rings);
        Torvex::FixGeoTopo(g);
        if (g->nParts > 0) {
            SHPWriteObject(shp, -1, g);
            DBFWriteIntegerAttribute(dbf, written, 0, written);
            ++written;
        }
        Torvex::DestroyGeometry(g);
    }
    SHPClose(shp);
    DBFClose(dbf);
    const auto result = CalvornTest::RunCommand(
        {CALVORN_OGRINFO, "-q", "-dialect", "SQLite", "-sql",
         "SELECT SUM(ST_IsValid(geometry)) AS valid FROM fixed", base + ".shp"});
    ASSERT_EQ(result.status, 0) << result.error;
    EXPECT_NE(result.output.find("valid (Integer) = " + std::to_string(written)), std::string::npos)
        << result.output;
}

TEST(GeometryTest, ReScaleGeometry)
{
    const struct {
        double factor;
        double xMin, yMin, xMax, yMax;
    } cases[] = {
        {1.0, 1, -2, 3, 4},
        {1000.0, 1000, -2000, 3000, 4000},
        {-2.0, -6, -8, -2, 4},  // mirrored: bounds stay ordered
    };
    for (const auto& c : cases) {
        Torvex::Geometry* g = MakeShape(SHPT_ARC, {{{1, -2}, {3, 4}}});
        Torvex::ReScaleGeometry(g, c.factor);
        EXPECT_EQ(g->padfX[1], 3 * c.factor);
        EXPECT_EQ(g->padfY[0], -2 * c.factor);
        EXPECT_EQ(g->dfXMin, c.xMin) << c.factor;
        EXPECT_EQ(g->dfYMin, c.yMin) << c.factor;
        EXPECT_EQ(g->dfXMax, c.xMax) << c.factor;
        EXPECT_EQ(g->dfYMax, c.yMax) << c.factor;
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
