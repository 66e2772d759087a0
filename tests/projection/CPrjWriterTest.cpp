#include "projection/CPrjWriter.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

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

// The geographic part of a datum, open for its unit.
std::string Geogcs(const std::string& name, const std::string& spheroid, const char* primeMeridian)
{
    return "GEOGCS[\"GCS_" + name + "\",DATUM[\"D_" + name + "\",SPHEROID[" + spheroid +
           "]],PRIMEM[\"Greenwich\"," + primeMeridian + "],";
}

const std::string Beijing = Geogcs("Beijing_1954", "\"Krasovsky_1940\",6378245,298.3", "0");
const std::string UnDefine = Geogcs("UnDefine", "\"UnDefine\",6370997,298.3", "0.0");
const std::string Degree = "UNIT[\"Degree\",0.017453292519943299]";

std::string Unknown(const std::string& unit)
{
    return "PROJCS[\"PRJ_UNKNOWN\"," + UnDefine + Degree +
           "],PROJECTION[\"Local\"],PARAMETER[\"False_Easting\",0.0],PARAMETER[\"False_Northing\","
           "0.0],PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Azimuth\",0.0],PARAMETER[\"Longitude_"
           "Of_Center\",0.0],PARAMETER[\"Latitude_Of_Center\",0.0]," +
           unit + "]";
}

TEST(CPrjWriter, ExamplesComeOutByteForByte)
{
    MAP_PARAstruct gk = Record(3, 2, 5, 1);
    gk.centralMeridian = 1170000;
    EXPECT_EQ(CPrjWriter().BuildWkt(&gk),
              "PROJCS[\"PRJ_Gauss_Kruger\",GEOGCS[\"GCS_Beijing_1954\",DATUM[\"D_Beijing_1954\","
              "SPHEROID[\"Krasovsky_1940\",6378245,298.3]],PRIMEM[\"Greenwich\",0],UNIT[\"Degree\","
              "0.017453292519943299]],PROJECTION[\"Gauss_Kruger\"],PARAMETER[\"False_Easting\","
              "500000.00],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\",117.00]"
              ",PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT["
              "\"Meter\",1.0]]");
    EXPECT_EQ(Wkt(1, 4, 0, 7),
              "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137,"
              "298.257223563]],PRIMEM[\"Greenwich\",0],UNIT[\"Degree\",0.017453292519943299]]");
}

TEST(CPrjWriter, EveryDatumText)
{
    const std::string datums[] = {
        UnDefine,
        Beijing,
        Geogcs("Xian_1980", "\"Xian_1980\",6378140.0,298.257", "0.0"),
        Geogcs("IUGG_1979", "\"IUGG_1979\",6378137.0,298.257", "0.0"),
        Geogcs("IUGG_1983", "\"IUGG_1983\",6378136.0,298.257", "0.0"),
        Geogcs("UserDefine", "\"UserDefine\",6370997,", "0.0"),
        Geogcs("IUGG_1967", "\"IUGG_1967\",6378160.0,298.257", "0.0"),
        Geogcs("WGS_1984", "\"WGS_1984\",6378137,298.257223563", "0"),
        Geogcs("GRS_1980", "\"GRS_1980\",6378137,298.257222101", "0"),
        Geogcs("WGS_1972", "\"WGS_1972\",6378135,298.26", "0"),
        Geogcs("Anna_1_1965", "\"Australian\",6378160,298.25", "0"),
        Geogcs("Hayford_1910", "\"Hayford_1910\",6378388,297", "0.0"),
        Geogcs("Clarke_1880", "\"Clarke_1880\",6378249.138,293.466307656", "0"),
        Geogcs("Clarke_1866", "\"Clarke_1866\",6378206.4,294.9786982", "0"),
        Geogcs("Bessel_1841", "\"Bessel_1841\",6377397.155,299.1528128", "0"),
    };
    for (int code = -128; code < 128; ++code) {
        // Codes past either end of the table fall back to the undefined datum.
        const std::string& datum = code >= 0 && code < 15 ? datums[code] : UnDefine;
        EXPECT_EQ(Wkt(1, 4, 0, code), datum + Degree + "]") << "datum " << code;
    }
}

TEST(CPrjWriter, EveryUnitTextAndFalseEasting)
{
    // The unit code, its text and the false easting, 500 km in the unit.
    const std::tuple<int, const char*, const char*> cases[] = {
        {0, "UNIT[\"Millimeters\",0.001]", "500000000.00"},
        {1, "UNIT[\"Millimeters\",0.001]", "500000000.00"},
        {2, "UNIT[\"Meter\",1.0]", "500000.00"},
        {3, "UNIT[\"Second\",4.8481368110953598e-006]", "103132403123.55"},
        {4, "UNIT[\"Degree\",0.017453292519943299]", "28647889.76"},
        {5, "UNIT[\"DMS\",1.0]", "500000.00"},
        {6, "UNIT[\"Foot\",0.3048]", "1640419.95"},
        {7, "UNIT[\"Minute\",0.00029088820866572158]", "1718873385.39"},
        {8, "UNIT[\"Radian\",1.0]", "500000.00"},
        {9, "UNIT[\"Grad\",0.015707963267948967]", "31830988.62"},
        {10, "UNIT[\"Kilometer\",1000.0]", "500.00"},
        {11, "UNIT[\"DeciMeter\",0.1]", "5000000.00"},
        {12, "UNIT[\"CentiMeter\",0.01]", "50000000.00"},
        {13, "UNIT[\"Inch\",0.0254]", "19685039.37"},
        {14, "UNIT[\"Yard\",0.9144]", "546806.65"},
        {15, "UNIT[\"SeaMile\",1852.00001]", "269.98"},
        {16, "UNIT[\"Mile\",1609.34721869444]", "310.68"},
        // Codes outside the table are metres, factor 1.
        {17, "UNIT[\"Meter\",1.0]", "500000.00"},
        {-1, "UNIT[\"Meter\",1.0]", "500000.00"},
    };
    for (const auto& [unit, text, falseEasting] : cases) {
        EXPECT_EQ(Wkt(1, unit, 0, 1), Beijing + text + "]") << "unit " << unit;
        const std::string projected = Wkt(3, unit, 1, 1);
        EXPECT_NE(projected.find(std::string("\"False_Easting\",") + falseEasting + "],"),
                  std::string::npos)
            << projected;
    }
}

// Each template as the type code, the system's name, the projection's name and the parameters:
// a short name and the number written; the names stand for the texts below. Templates 6 to 20
// put a tab before every parameter.
TEST(CPrjWriter, EveryProjectionTemplate)
{
    const std::map<std::string, std::string> names = {
        {"FE", "False_Easting"},        {"FN", "False_Northing"},
        {"CM", "Central_Meridian"},     {"SF", "Scale_Factor"},
        {"LO", "Latitude_Of_Origin"},   {"SP1", "Standard_Parallel_1"},
        {"SP2", "Standard_Parallel_2"}, {"LgC", "Longituda_Of_Center"},
        {"LtC", "Latitude_Of_Center"},  {"H", "Height"},
    };
    // CM 117.50, LO -30.25, SP1 25.00, SP2 47.00, H 123.00.
    const std::tuple<int, const char*, const char*, const char*> cases[] = {
        {1, "UTM", "Transverse_Mercator", "FE 500000.00 FN 0.0 CM 117.50 SF 0.9996 LO 0.0"},
        {2, "Albers_Conical_EQ_Area", "Albers",
         "FE 0.0 FN 0.0 CM 117.50 SP1 25.00 SP2 47.00 LO -30.25"},
        {3, "Lambert_Conformal_Conic", "Lambert_Conformal_Conic",
         "FE 0.0 FN 0.0 CM 117.50 SP1 25.00 SP2 47.00 LO -30.25"},
        {4, "Mercator", "Mercator", "FE 0.0 FN 0.0 CM 117.50 SP1 -30.25"},
        {5, "Gauss_Kruger", "Gauss_Kruger", "FE 500000.00 FN 0.0 CM 117.50 SF 1.0 LO 0.0"},
        {6, "Polyconic", "Polyconic", "FE 0.0 FN 0.0 CM 117.50 LO -30.25"},
        {7, "EQ_Dist_Conic", "Equidistant_Conic",
         "FE 0.0 FN 0.0 CM 117.50 SP1 25.00 SP2 47.00 LO -30.25"},
        {8, "Transverse_Mecator", "Transverse_Mecator",
         "FE 500000.00 FN 0.0 CM 117.50 SF 0.9996 LO -30.25"},
        {9, "StereoGraphic", "Stereographic", "FE 0.0 FN 0.0 CM 117.50 SF 1.0 LO -30.25"},
        {10, "Lambert_Azimuthal_EQ_Area", "Lambert_Azimuthal_Equal_Area",
         "FE 0.0 FN 0.0 CM 117.50 LO -30.25"},
        {11, "Azimuthal_EQ_Dist", "Azimuthal_Equidistant", "FE 0.0 FN 0.0 CM 117.50 LO -30.25"},
        {12, "Gnomonic", "Gnomonic", "FE 0.0 FN 0.0 LgC 117.50 LtC -30.25"},
        {13, "Orthographic", "Orthographic", "FE 0.0 FN 0.0 LgC 117.50 LtC -30.25"},
        {14, "General_VER_NS_Perspective", "Vertical_Near_Side_Perspective",
         "FE 0.0 FN 0.0 LgC 117.50 LtC -30.25 H 123.00"},
        {15, "Sinusoidal", "Sinusoidal", "FE 0.0 FN 0.0 CM 117.50"},
        {17, "Miller_Cylindrical", "Miller_Cylindrical", "FE 0.0 FN 0.0 CM 117.50"},
        {18, "V_D_Grinten_I", "Van_der_Grinten_I", "FE 0.0 FN 0.0 CM 117.50"},
        {20, "Polar_Srereographic", "Stereographic_South_Pole",
         "FE 0.0 FN 0.0 CM 117.50 SP1 -30.25"},
    };
    for (const auto& [type, head, projection, parameters] : cases) {
        std::string expected = std::string("PROJCS[\"PRJ_") + head + "\"," + Beijing + Degree +
                               "],PROJECTION[\"" + projection + "\"],";
        std::istringstream in(parameters);
        for (std::string name, value; in >> name >> value;) {
            expected +=
                (type >= 6 ? "\t" : "") + ("PARAMETER[\"" + names.at(name) + "\"," + value + "],");
        }
        EXPECT_EQ(Wkt(3, 2, type, 1), expected + "UNIT[\"Meter\",1.0]]") << "type " << type;
    }
    // Types without template keep the unknown system with the record's unit.
    for (int type : {0, 16, 19, 21, 255}) {
        EXPECT_EQ(Wkt(3, 10, type, 7), Unknown("UNIT[\"Kilometer\",1000.0]")) << "type " << type;
    }
}

TEST(CPrjWriter, CoordinateKinds)
{
    const struct {
        int kind;
        int datum;
        int unit;
        std::string expected;
    } cases[] = {
        {0, 9, 2, Unknown("UNIT[\"Meter\",1.0]")},  // the datum code is ignored
        {0, 1, 6, Unknown("UNIT[\"Foot\",0.3048]")},
        {1, 1, 10, Beijing + "UNIT[\"Kilometer\",1000.0]]"},
        {2, 1, 2, ""},
        // Other kinds: the datum in degrees, whatever the unit.
        {4, 2, 2, Geogcs("Xian_1980", "\"Xian_1980\",6378140.0,298.257", "0.0") + Degree + "]"},
        {255, 1, 10, Beijing + Degree + "]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Wkt(c.kind, c.unit, 5, c.datum), c.expected) << "kind " << c.kind;
    }
    EXPECT_EQ(CPrjWriter().BuildWkt(nullptr), "");
}

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
