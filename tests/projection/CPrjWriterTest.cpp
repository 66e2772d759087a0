#include "projection/CPrjWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <locale>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

using Calvorn::CPrjWriter;
using Torvex::MAP_PARAstruct;

// Angles in packed degrees-minutes-seconds: 117°30', 30°15', 25°, 47°, 123°.
MAP_PARAstruct Record(int kind, int unit, int type, int datum)
{
    MAP_PARAstruct record{};
    record.kind = static_cast<std::uint8_t>(kind);
    record.unit = static_cast<std::int8_t>(unit);
    record.type = static_cast<std::uint8_t>(type);
    record.datum = static_cast<std::int8_t>(datum);
    record.centralMeridian = 1173000;
    record.latOrigin = 301500;
    record.stdParallel1 = 250000;
    record.stdParallel2 = 470000;
    record.height = 1230000;
    return record;
}

const std::string Beijing =
    "GEOGCS[\"GCS_Beijing_1954\",DATUM[\"D_Beijing_1954\",SPHEROID[\"Krasovsky_1940\",6378245,"
    "298.3]],PRIMEM[\"Greenwich\",0],";
const std::string Degree = "UNIT[\"Degree\",0.017453292519943299]";
const std::string Meter = "UNIT[\"Meter\",1.0]";
const std::string UnDefine =
    "GEOGCS[\"GCS_UnDefine\",DATUM[\"D_UnDefine\",SPHEROID[\"UnDefine\",6370997,298.3]],PRIMEM["
    "\"Greenwich\",0.0],";
const std::string UnknownParameters =
    "PROJECTION[\"Local\"],PARAMETER[\"False_Easting\",0.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Azimuth\",0.0],PARAMETER[\"Longitude_Of_Center\","
    "0.0],PARAMETER[\"Latitude_Of_Center\",0.0],";

std::string Unknown(const std::string& unit)
{
    return "PROJCS[\"PRJ_UNKNOWN\"," + UnDefine + Degree + "]," + UnknownParameters + unit + "]";
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
    const MAP_PARAstruct wgs = Record(1, 4, 0, 7);
    EXPECT_EQ(CPrjWriter().BuildWkt(&wgs),
              "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137,"
              "298.257223563]],PRIMEM[\"Greenwich\",0],UNIT[\"Degree\",0.017453292519943299]]");
}

TEST(CPrjWriter, EveryDatumText)
{
    const char* const datums[] = {
        "\"GCS_UnDefine\",DATUM[\"D_UnDefine\",SPHEROID[\"UnDefine\",6370997,298.3]],PRIMEM["
        "\"Greenwich\",0.0],",
        "\"GCS_Beijing_1954\",DATUM[\"D_Beijing_1954\",SPHEROID[\"Krasovsky_1940\",6378245,298.3]"
        "],PRIMEM[\"Greenwich\",0],",
        "\"GCS_Xian_1980\",DATUM[\"D_Xian_1980\",SPHEROID[\"Xian_1980\",6378140.0,298.257]],PRIMEM"
        "[\"Greenwich\",0.0],",
        "\"GCS_IUGG_1979\",DATUM[\"D_IUGG_1979\",SPHEROID[\"IUGG_1979\",6378137.0,298.257]],PRIMEM"
        "[\"Greenwich\",0.0],",
        "\"GCS_IUGG_1983\",DATUM[\"D_IUGG_1983\",SPHEROID[\"IUGG_1983\",6378136.0,298.257]],PRIMEM"
        "[\"Greenwich\",0.0],",
        "\"GCS_UserDefine\",DATUM[\"D_UserDefine\",SPHEROID[\"UserDefine\",6370997,]],PRIMEM["
        "\"Greenwich\",0.0],",
        "\"GCS_IUGG_1967\",DATUM[\"D_IUGG_1967\",SPHEROID[\"IUGG_1967\",6378160.0,298.257]],PRIMEM"
        "[\"Greenwich\",0.0],",
        "\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137,298.257223563]],"
        "PRIMEM[\"Greenwich\",0],",
        "\"GCS_GRS_1980\",DATUM[\"D_GRS_1980\",SPHEROID[\"GRS_1980\",6378137,298.257222101]],"
        "PRIMEM[\"Greenwich\",0],",
        "\"GCS_WGS_1972\",DATUM[\"D_WGS_1972\",SPHEROID[\"WGS_1972\",6378135,298.26]],PRIMEM["
        "\"Greenwich\",0],",
        "\"GCS_Anna_1_1965\",DATUM[\"D_Anna_1_1965\",SPHEROID[\"Australian\",6378160,298.25]],"
        "PRIMEM[\"Greenwich\",0],",
        "\"GCS_Hayford_1910\",DATUM[\"D_Hayford_1910\",SPHEROID[\"Hayford_1910\",6378388,297]],"
        "PRIMEM[\"Greenwich\",0.0],",
        "\"GCS_Clarke_1880\",DATUM[\"D_Clarke_1880\",SPHEROID[\"Clarke_1880\",6378249.138,"
        "293.466307656]],PRIMEM[\"Greenwich\",0],",
        "\"GCS_Clarke_1866\",DATUM[\"D_Clarke_1866\",SPHEROID[\"Clarke_1866\",6378206.4,"
        "294.9786982]],PRIMEM[\"Greenwich\",0],",
        "\"GCS_Bessel_1841\",DATUM[\"D_Bessel_1841\",SPHEROID[\"Bessel_1841\",6377397.155,"
        "299.1528128]],PRIMEM[\"Greenwich\",0],",
    };
    for (int code = 0; code < 15; ++code) {
        const MAP_PARAstruct record = Record(1, 4, 0, code);
        EXPECT_EQ(CPrjWriter().BuildWkt(&record),
                  std::string("GEOGCS[") + datums[code] + Degree + "]")
            << "datum " << code;
    }
    // Codes past either end of the table fall back to the undefined datum.
    for (int code : {15, 127, -1, -128}) {
        const MAP_PARAstruct record = Record(1, 4, 0, code);
        EXPECT_EQ(CPrjWriter().BuildWkt(&record), UnDefine + Degree + "]") << "datum " << code;
    }
}

TEST(CPrjWriter, EveryUnitTextAndFalseEasting)
{
    struct Case {
        int unit;
        const char* text;
        const char* falseEasting;
    };
    const Case cases[] = {
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
        {127, "UNIT[\"Meter\",1.0]", "500000.00"},
    };
    for (const Case& c : cases) {
        const MAP_PARAstruct geographic = Record(1, c.unit, 0, 1);
        EXPECT_EQ(CPrjWriter().BuildWkt(&geographic), Beijing + c.text + "]") << "unit " << c.unit;
        for (int type : {1, 5, 8}) {
            const MAP_PARAstruct projected = Record(3, c.unit, type, 1);
            const std::string text = CPrjWriter().BuildWkt(&projected);
            EXPECT_NE(text.find(std::string("\"False_Easting\",") + c.falseEasting + "]"),
                      std::string::npos)
                << "unit " << c.unit << " type " << type << ": " << text;
            EXPECT_TRUE(text.ends_with(std::string(c.text) + "]")) << text;
        }
    }
}

TEST(CPrjWriter, EveryProjectionTemplate)
{
    struct Case {
        int type;
        const char* head;
        const char* parameters;
    };
    // CM 117.50, LAT 30.25, SP1 25.00, SP2 47.00, H 123.00, unit metre.
    const Case cases[] = {
        {1, "PRJ_UTM",
         "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.00],PARAMETER["
         "\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\",117.50],PARAMETER[\"Scale_Factor"
         "\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],"},
        {2, "PRJ_Albers_Conical_EQ_Area",
         "PROJECTION[\"Albers\"],PARAMETER[\"False_Easting\",0.0],PARAMETER[\"False_Northing\","
         "0.0],PARAMETER[\"Central_Meridian\",117.50],PARAMETER[\"Standard_Parallel_1\",25.00],"
         "PARAMETER[\"Standard_Parallel_2\",47.00],PARAMETER[\"Latitude_Of_Origin\",30.25],"},
        {3, "PRJ_Lambert_Conformal_Conic",
         "PROJECTION[\"Lambert_Conformal_Conic\"],PARAMETER[\"False_Easting\",0.0],PARAMETER["
         "\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\",117.50],PARAMETER[\"Standard_"
         "Parallel_1\",25.00],PARAMETER[\"Standard_Parallel_2\",47.00],PARAMETER[\"Latitude_Of_"
         "Origin\",30.25],"},
        {4, "PRJ_Mercator",
         "PROJECTION[\"Mercator\"],PARAMETER[\"False_Easting\",0.0],PARAMETER[\"False_Northing\","
         "0.0],PARAMETER[\"Central_Meridian\",117.50],PARAMETER[\"Standard_Parallel_1\",30.25],"},
        {5, "PRJ_Gauss_Kruger",
         "PROJECTION[\"Gauss_Kruger\"],PARAMETER[\"False_Easting\",500000.00],PARAMETER[\"False_"
         "Northing\",0.0],PARAMETER[\"Central_Meridian\",117.50],PARAMETER[\"Scale_Factor\",1.0],"
         "PARAMETER[\"Latitude_Of_Origin\",0.0],"},
        {6, "PRJ_Polyconic",
         "PROJECTION[\"Polyconic\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER[\"False_"
         "Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],\tPARAMETER[\"Latitude_Of_"
         "Origin\",30.25],"},
        {7, "PRJ_EQ_Dist_Conic",
         "PROJECTION[\"Equidistant_Conic\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER["
         "\"False_Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],\tPARAMETER[\"Standard"
         "_Parallel_1\",25.00],\tPARAMETER[\"Standard_Parallel_2\",47.00],\tPARAMETER[\"Latitude_"
         "Of_Origin\",30.25],"},
        {8, "PRJ_Transverse_Mecator",
         "PROJECTION[\"Transverse_Mecator\"],\tPARAMETER[\"False_Easting\",500000.00],\tPARAMETER"
         "[\"False_Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],\tPARAMETER[\"Scale_"
         "Factor\",0.9996],\tPARAMETER[\"Latitude_Of_Origin\",30.25],"},
        {9, "PRJ_StereoGraphic",
         "PROJECTION[\"Stereographic\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER[\"False_"
         "Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],\tPARAMETER[\"Scale_Factor\","
         "1.0],\tPARAMETER[\"Latitude_Of_Origin\",30.25],"},
        {10, "PRJ_Lambert_Azimuthal_EQ_Area",
         "PROJECTION[\"Lambert_Azimuthal_Equal_Area\"],\tPARAMETER[\"False_Easting\",0.0],\t"
         "PARAMETER[\"False_Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],\tPARAMETER["
         "\"Latitude_Of_Origin\",30.25],"},
        {11, "PRJ_Azimuthal_EQ_Dist",
         "PROJECTION[\"Azimuthal_Equidistant\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER["
         "\"False_Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],\tPARAMETER[\"Latitude"
         "_Of_Origin\",30.25],"},
        {12, "PRJ_Gnomonic",
         "PROJECTION[\"Gnomonic\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER[\"False_"
         "Northing\",0.0],\tPARAMETER[\"Longituda_Of_Center\",117.50],\tPARAMETER[\"Latitude_Of_"
         "Center\",30.25],"},
        {13, "PRJ_Orthographic",
         "PROJECTION[\"Orthographic\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER[\"False_"
         "Northing\",0.0],\tPARAMETER[\"Longituda_Of_Center\",117.50],\tPARAMETER[\"Latitude_Of_"
         "Center\",30.25],"},
        {14, "PRJ_General_VER_NS_Perspective",
         "PROJECTION[\"Vertical_Near_Side_Perspective\"],\tPARAMETER[\"False_Easting\",0.0],\t"
         "PARAMETER[\"False_Northing\",0.0],\tPARAMETER[\"Longituda_Of_Center\",117.50],\t"
         "PARAMETER[\"Latitude_Of_Center\",30.25],\tPARAMETER[\"Height\",123.00],"},
        {15, "PRJ_Sinusoidal",
         "PROJECTION[\"Sinusoidal\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER[\"False_"
         "Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],"},
        {17, "PRJ_Miller_Cylindrical",
         "PROJECTION[\"Miller_Cylindrical\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER["
         "\"False_Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],"},
        {18, "PRJ_V_D_Grinten_I",
         "PROJECTION[\"Van_der_Grinten_I\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER["
         "\"False_Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],"},
        {20, "PRJ_Polar_Srereographic",
         "PROJECTION[\"Stereographic_South_Pole\"],\tPARAMETER[\"False_Easting\",0.0],\tPARAMETER"
         "[\"False_Northing\",0.0],\tPARAMETER[\"Central_Meridian\",117.50],\tPARAMETER[\""
         "Standard_Parallel_1\",30.25],"},
    };
    for (const Case& c : cases) {
        const MAP_PARAstruct record = Record(3, 2, c.type, 1);
        const std::string text = CPrjWriter().BuildWkt(&record);
        EXPECT_EQ(text, std::string("PROJCS[\"") + c.head + "\"," + Beijing + Degree + "]," +
                            c.parameters + Meter + "]")
            << "type " << c.type;
        // Templates 6 to 20 put a tab before every PARAMETER, 1 to 5 have none.
        const std::string parameters = c.parameters;
        std::size_t parameterCount = 0;
        for (std::size_t at = parameters.find("PARAMETER"); at != std::string::npos;
             at = parameters.find("PARAMETER", at + 1)) {
            ++parameterCount;
        }
        const auto tabs = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\t'));
        EXPECT_EQ(tabs, c.type <= 5 ? 0 : parameterCount) << "type " << c.type;
    }
    // Types without template keep the unknown system with the record's unit.
    for (int type : {0, 16, 19, 21, 255}) {
        const MAP_PARAstruct record = Record(3, 10, type, 7);
        EXPECT_EQ(CPrjWriter().BuildWkt(&record), Unknown("UNIT[\"Kilometer\",1000.0]"))
            << "type " << type;
    }
}

TEST(CPrjWriter, CoordinateKinds)
{
    struct Case {
        int kind;
        int datum;
        int unit;
        std::string expected;
    };
    const Case cases[] = {
        {0, 9, 2, Unknown(Meter)},  // the datum code is ignored
        {0, 1, 6, Unknown("UNIT[\"Foot\",0.3048]")},
        {1, 1, 10, Beijing + "UNIT[\"Kilometer\",1000.0]]"},
        {2, 1, 2, ""},
        {4, 2, 2,
         "GEOGCS[\"GCS_Xian_1980\",DATUM[\"D_Xian_1980\",SPHEROID[\"Xian_1980\",6378140.0,298.257]"
         "],PRIMEM[\"Greenwich\",0.0]," +
             Degree + "]"},
        {255, 1, 10, Beijing + Degree + "]"},
    };
    for (const Case& c : cases) {
        const MAP_PARAstruct record = Record(c.kind, c.unit, 5, c.datum);
        EXPECT_EQ(CPrjWriter().BuildWkt(&record), c.expected) << "kind " << c.kind;
    }
    EXPECT_EQ(CPrjWriter().BuildWkt(nullptr), "");
}

TEST(CPrjWriter, NegativeAnglesAndRounding)
{
    MAP_PARAstruct record = Record(3, 2, 8, 1);
    record.centralMeridian = -1173015;  // -117.5041...
    record.latOrigin = -301500;
    const std::string text = CPrjWriter().BuildWkt(&record);
    EXPECT_NE(text.find("\"Central_Meridian\",-117.50]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Latitude_Of_Origin\",-30.25]"), std::string::npos) << text;
}

// A user locale with a comma as decimal separator must not reach the file.
class CommaNumpunct : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(CPrjWriter, PointWhateverTheLocale)
{
    const MAP_PARAstruct record = Record(3, 6, 8, 1);
    const std::string expected = CPrjWriter().BuildWkt(&record);
    ASSERT_NE(expected.find("1640419.95"), std::string::npos);

    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaNumpunct));
    const std::string withCppLocale = CPrjWriter().BuildWkt(&record);
    std::locale::global(previous);
    EXPECT_EQ(withCppLocale, expected);
}

TEST(CPrjWriter, PointUnderCommaCLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            found = name;
            break;
        }
    }
    if (found == nullptr) {
        GTEST_SKIP() << "no locale with a comma decimal separator installed";
    }
    const MAP_PARAstruct record = Record(3, 6, 8, 1);
    const std::string text = CPrjWriter().BuildWkt(&record);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_NE(text.find("1640419.95"), std::string::npos) << found << ": " << text;
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

    // Kind 2: an empty file.
    ASSERT_TRUE(CPrjWriter().WritePrj(&none, dir / "my.roads"));
    EXPECT_EQ(std::filesystem::file_size(dir / "my.roads.prj"), 0u);

    // A folder that cannot exist (its parent is a file) reports failure and leaves nothing.
    CalvornTest::WriteFile(dir / "plain", "x");
    EXPECT_FALSE(CPrjWriter().WritePrj(&gk, dir / "plain" / "out"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plain" / "out.prj"));
    if (geteuid() != 0) {  // permissions do not hold root back
        std::filesystem::create_directory(dir / "readonly");
        std::filesystem::permissions(dir / "readonly", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::owner_exec);
        EXPECT_FALSE(CPrjWriter().WritePrj(&gk, dir / "readonly" / "out"));
    }
    EXPECT_FALSE(CPrjWriter().WritePrj(nullptr, dir / "null"));
    EXPECT_FALSE(std::filesystem::exists(dir / "null.prj"));
}

}  // namespace
