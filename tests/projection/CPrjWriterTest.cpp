#include "projection/CPrjWriter.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <set>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

using Calvorn::CPrjWriter;
using Torvex::MAP_PARAstruct;

// Angles in packed degrees-minutes-seconds: 117°30', -30°15' (the sign applies to the whole
// angle), 25°, 47°, 123°.
MAP_PARAstruct Record(int kind, int unit, int type, int datum)
{
    MAP_PARAstruct record{};
    record.kind = static_cast<std::uint8_t>(kind);
    record.unit = static_cast<std::int8_t>(unit);
    record.type = static_cast<std::uint8_t>(type);
    record.datum = static_cast<std::int8_t>(datum);
    record.centralMeridian = 1173000;
    record.latOrigin = -301500;
    record.stdParallel1 = 250000;
    record.stdParallel2 = 470000;
    record.height = 1230000;
    return record;
}

std::string Wkt(int kind, int unit, int type, int datum)
{
    const MAP_PARAstruct record = Record(kind, unit, type, datum);
    return CPrjWriter().BuildWkt(&record);
}

// The texts of every datum, unit, template and coordinate kind are cases in
// tests/cases/projection.

// A user locale with a comma as decimal separator must not reach the file, whether set for
// C++ streams or for the C library.
class CommaNumpunct : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(CPrjWriter, DecimalPointWhateverTheLocale)
{
    const std::string expected = "\"False_Easting\",1640419.95]";
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaNumpunct));
    const std::string withCppLocale = Wkt(3, 6, 8, 1);
    std::locale::global(previous);
    EXPECT_NE(withCppLocale.find(expected), std::string::npos) << withCppLocale;

    const std::string previousC = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            const std::string text = Wkt(3, 6, 8, 1);
            std::setlocale(LC_NUMERIC, previousC.c_str());
            EXPECT_NE(text.find(expected), std::string::npos) << name << ": " << text;
            return;
        }
    }
    GTEST_SKIP() << "no locale with a comma decimal separator installed";
}

TEST(CPrjWriter, WritePrjFiles)
{
    CalvornTest::TempDir dir;
    const MAP_PARAstruct gk = Record(3, 2, 5, 1);
    const MAP_PARAstruct none = Record(2, 2, 5, 1);

    // The base name keeps its dots; an existing longer file is replaced, not appended to.
    CalvornTest::WriteFile(dir / "my.roads.prj", std::string(2000, 'x'));
    ASSERT_TRUE(CPrjWriter().WritePrj(&gk, dir / "my.roads"));
    EXPECT_EQ(CalvornTest::ReadFile(dir / "my.roads.prj"), CPrjWriter().BuildWkt(&gk));
    EXPECT_FALSE(std::filesystem::exists(dir / "my.prj"));
    ASSERT_TRUE(CPrjWriter().WritePrj(&none, dir / "my.roads"));  // kind 2: an empty file
    EXPECT_EQ(std::filesystem::file_size(dir / "my.roads.prj"), 0u);

    // A folder that cannot exist (its parent is a file) reports failure and leaves nothing.
    CalvornTest::WriteFile(dir / "plain", "x");
    EXPECT_FALSE(CPrjWriter().WritePrj(&gk, dir / "plain" / "out"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plain" / "out.prj"));
    EXPECT_EQ(CPrjWriter().BuildWkt(nullptr), "");
    EXPECT_FALSE(CPrjWriter().WritePrj(nullptr, dir / "null"));
    EXPECT_FALSE(std::filesystem::exists(dir / "null.prj"));
}

// GDAL's PROJ definition of the written .prj, as an independent reader; empty when GDAL
// cannot read it.
std::string GdalProj(int kind, int type, int datum)
{
    static CalvornTest::TempDir dir;
    const MAP_PARAstruct record = Record(kind, kind == 1 ? 4 : 2, type, datum);
    const std::string base =
        "prj" + std::to_string(kind) + "-" + std::to_string(type) + "-" + std::to_string(datum);
    if (!CPrjWriter().WritePrj(&record, dir / base)) {
        return {};
    }
    const CalvornTest::CommandResult result = CalvornTest::RunCommand(
        {CALVORN_GDALSRSINFO, "--single-line", "-o", "proj4", (dir / base).string() + ".prj"});
    return result.status == 0 && result.output.find("+proj=") != std::string::npos ? result.output
                                                                                   : std::string();
}

// Which texts GDAL reads, kept as a list: the geographic ones but datum 5's (no flattening), the
// unknown system, and the projected ones but type 8's, which names an unknown method
// (Transverse_Mecator). Types 12 to 14 spell the centre's parameter Longituda_Of_Center,
// which GDAL passes over.
TEST(PrjGdal, AcceptedTextsAndWhetherTheCentreArrives)
{
    if (std::string(CALVORN_GDALSRSINFO).empty()) {
        GTEST_SKIP() << "gdalsrsinfo not found";
    }
    for (int datum = 0; datum < 15; ++datum) {
        EXPECT_EQ(GdalProj(1, 0, datum).empty(), datum == 5) << "datum " << datum;
    }
    EXPECT_FALSE(GdalProj(0, 0, 0).empty()) << "the unknown (local) system";
    const std::set<int> refused = {8}, centreLost = {8, 12, 13, 14};
    for (int type = 1; type <= 20; ++type) {
        if (type == 16 || type == 19) {
            continue;  // no template
        }
        const std::string proj = GdalProj(3, type, 1);
        EXPECT_EQ(proj.empty(), refused.count(type) == 1) << "type " << type << ": " << proj;
        // UTM shows the meridian as its zone.
        const bool centreKept = proj.find("+lon_0=117.5 ") != std::string::npos ||
                                proj.find("+zone=50 ") != std::string::npos;
        EXPECT_EQ(centreKept, centreLost.count(type) == 0) << "type " << type << ": " << proj;
    }
}

}  // namespace
