// GDAL as an independent reader of the written .prj texts.
#include <gtest/gtest.h>

#include <string>

#include "projection/CPrjWriter.h"
#include "tests/support/TestSupport.h"

namespace {

using Torvex::MAP_PARAstruct;

// GDAL's PROJ definition of the written .prj; empty when GDAL cannot read it.
std::string GdalProj(const MAP_PARAstruct& record, const std::string& name)
{
    static CalvornTest::TempDir dir;
    if (!Calvorn::CPrjWriter().WritePrj(&record, dir / name)) {
        return {};
    }
    const auto prj = (dir / name).string() + ".prj";
    const CalvornTest::CommandResult result =
        CalvornTest::RunCommand({CALVORN_GDALSRSINFO, "--single-line", "-o", "proj4", prj});
    return result.status == 0 && result.output.find("+proj=") != std::string::npos ? result.output
                                                                                   : std::string();
}

MAP_PARAstruct Record(int kind, int type, int datum)
{
    MAP_PARAstruct record{};
    record.kind = static_cast<std::uint8_t>(kind);
    record.unit = kind == 1 ? 4 : 2;
    record.type = static_cast<std::uint8_t>(type);
    record.datum = static_cast<std::int8_t>(datum);
    record.centralMeridian = 1170000;
    record.latOrigin = 300000;
    record.stdParallel1 = 250000;
    record.stdParallel2 = 470000;
    record.height = 1000000;
    return record;
}

class PrjGdal : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string(CALVORN_GDALSRSINFO).empty()) {
            GTEST_SKIP() << "gdalsrsinfo not found";
        }
    }
};

TEST_F(PrjGdal, GeographicTexts)
{
    // Datum 5 has an empty flattening and is the one text GDAL refuses.
    for (int datum = 0; datum < 15; ++datum) {
        EXPECT_EQ(GdalProj(Record(1, 0, datum), "geo" + std::to_string(datum)).empty(), datum == 5)
            << "datum " << datum;
    }
}

TEST_F(PrjGdal, ProjectedTypes)
{
    // Which texts GDAL reads, and whether the central meridian (117) reaches its definition.
    // Type 8 names an unknown method (Transverse_Mecator); 12 to 14 spell the centre's
    // parameter Longituda_Of_Center, which GDAL passes over.
    struct Case {
        int type;
        bool accepted;
        bool centreKept;
    };
    const Case cases[] = {
        {1, true, true},  {2, true, true},   {3, true, true},   {4, true, true},   {5, true, true},
        {6, true, true},  {7, true, true},   {8, false, false}, {9, true, true},   {10, true, true},
        {11, true, true}, {12, true, false}, {13, true, false}, {14, true, false}, {15, true, true},
        {17, true, true}, {18, true, true},  {20, true, true},
    };
    for (const Case& c : cases) {
        const std::string proj = GdalProj(Record(3, c.type, 1), "type" + std::to_string(c.type));
        EXPECT_EQ(!proj.empty(), c.accepted) << "type " << c.type << ": " << proj;
        // UTM shows the meridian as its zone.
        const bool centreKept = proj.find("+lon_0=117 ") != std::string::npos ||
                                proj.find("+zone=50 ") != std::string::npos;
        EXPECT_EQ(centreKept, c.centreKept) << "type " << c.type << ": " << proj;
    }
    // The unknown (local) system, also written for types without template.
    EXPECT_FALSE(GdalProj(Record(0, 0, 0), "unknown").empty());
}

}  // namespace
