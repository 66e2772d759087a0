// Polygon files end to end: polygons repaired into valid Shapefile polygons (or null shapes),
// the fill fields, the "_WP" name and the empty-file story, and the sample lakes read back by
// GDAL.
#include <algorithm>

#include "tests/convert/ConvertTestSupport.h"

namespace CalvornTest {
namespace {

using nlohmann::json;
using Row = std::vector<std::optional<std::string>>;

// A polygon file with the integer field "编号" holding each record's slot.
json PolygonFile(const std::vector<json>& polygons)
{
    json file = {{"kind", "polygon"},
                 {"fields", json::array({{{"name", "编号"}, {"type", 3}, {"width", 4}}})},
                 {"projection", {{"kind", 3}, {"type", 5}}},
                 {"records", json::array()}};
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        file["records"].push_back({{"geometry", polygons[i]}, {"attributes", {i}}});
    }
    return file;
}

// '-' for a clockwise ring, '+' for a counter-clockwise one.
char Orientation(const Part& ring)
{
    double twiceArea = 0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
        twiceArea += ring[i].first * ring[i + 1].second - ring[i + 1].first * ring[i].second;
    }
    return twiceArea < 0 ? '-' : '+';
}

// The ring counts of GDAL's polygons: [rings] for a Polygon, one entry per polygon for a
// MultiPolygon.
json RingCounts(const json& geometry)
{
    if (geometry["type"] == "Polygon") {
        return {geometry["coordinates"].size()};
    }
    json counts = json::array();
    for (const json& polygon : geometry["coordinates"]) {
        counts.push_back(polygon.size());
    }
    return counts;
}

class ConvertPolygon : public ConversionTest {};

TEST_F(ConvertPolygon, RingsAreRepairedIntoValidPolygons)
{
    const json ccwSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    const json cwHole = {{2, 2}, {2, 4}, {4, 4}, {4, 2}};
    const json island = {{4.5, 4.5}, {5.5, 4.5}, {5.5, 5.5}, {4.5, 5.5}};
    const json bigHole = {{1, 1}, {9, 1}, {9, 9}, {1, 9}};
    struct Case {
        const char* name;
        json rings;
        std::string orientations;  // of the rings written, in order; empty: a null shape
        json ringCounts;           // GDAL's
    };
    const std::vector<Case> cases = {
        {"counter-clockwise outer ring", {ccwSquare}, "-", {1}},
        {"unclosed ring", {{{0, 0}, {0, 10}, {10, 10}, {10, 0}}}, "-", {1}},
        {"hole before its outer ring", {cwHole, ccwSquare}, "+-", {2}},
        {"two outer rings", {{{0, 0}, {1, 0}, {1, 1}}, {{5, 5}, {6, 5}, {6, 6}}}, "--", {1, 1}},
        {"degenerate rings dropped",
         {{{20, 20}, {21, 21}, {22, 22}}, ccwSquare, {{30, 30}, {31, 31}}, {{7, 7}}},
         "-",
         {1}},
        {"island in a hole", {ccwSquare, bigHole, island}, "-+-", {2, 1}},
        {"no ring left", {{{0, 0}, {1, 1}, {2, 2}, {0, 0}}}, "", nullptr},
    };
    std::vector<json> polygons;
    for (const Case& c : cases) {
        polygons.push_back(c.rings);
    }
    const auto source = Source("lakes.wp", PolygonFile(polygons).dump());
    EXPECT_EQ(m_engine.ConvertPolygon2Shp(source, m_out, 0), 0);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"开始转换【" + source.string() + "】------",
                                        "------W__第【6】条记录多边形无有效环，写入空图形",
                                        "------结束转换【全部正确转换(7/7)】------"}));

    const ShpContent shp = ReadShp(m_out / "lakes.shp");
    const json gdal = ReadWithGdal(m_out / "lakes.shp");
    const json validity = ValidityWithGdal(m_out / "lakes.shp");
    ASSERT_EQ(shp.shapes.size(), cases.size());
    ASSERT_EQ(gdal["features"].size(), cases.size());
    ASSERT_EQ(validity.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        std::string orientations;
        for (const Part& ring : shp.shapes[i]) {
            EXPECT_EQ(ring.front(), ring.back()) << "ring not closed";
            orientations += Orientation(ring);
        }
        EXPECT_EQ(orientations, c.orientations);
        const json& feature = gdal["features"][i];
        EXPECT_EQ(feature["properties"]["编号"], i);
        if (c.ringCounts.is_null()) {
            EXPECT_TRUE(feature["geometry"].is_null());
            EXPECT_EQ(validity[i], -1);
        } else {
            EXPECT_EQ(RingCounts(feature["geometry"]), c.ringCounts);
            EXPECT_EQ(validity[i], 1);
        }
    }
}

TEST_F(ConvertPolygon, FillFields)
{
    json file = {
        {"kind", "polygon"},
        {"fields", json::array({{{"name", "名称"}, {"type", 0}, {"width", 8}},
                                {{"name", "A"}, {"type", 3}, {"width", 4}},
                                {{"name", "B"}, {"type", 5}, {"width", 8}, {"decimals", 2}},
                                {{"name", "C"}, {"type", 1}, {"width", 3}},
                                {{"name", "D"}, {"type", 2}, {"width", 6}}})}};
    const json square = {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}};
    file["records"] = {{{"geometry", square},
                        {"attributes", {"湖", 1, 2.5, 3, -4}},
                        {"style",
                         {{"fill_color", 16744192},
                          {"pattern", 12},
                          {"pattern_height", 2.5},
                          {"pattern_width", 1.25},
                          {"pattern_color", 255},
                          {"transparent", -1},
                          {"layer", 30}}}},
                       {{"geometry", square},
                        {"style",
                         {{"fill_color", 4294967295},
                          {"pattern", -2},
                          {"pattern_height", 123456.5},
                          {"pattern_color", 2147483648},
                          {"layer", -32768}}}}};
    const auto source = Source("lakes.wp", file.dump());
    m_options.StyleAsAttributes = 1;
    EXPECT_EQ(m_engine.ConvertPolygon2Shp(source, m_out, 0), 0);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{
                  "开始转换【" + source.string() + "】------", "------I__增加图示表达信息字段",
                  "------E__第【1】条记录【图案高度】字段数值超出字段宽度，填入空数据",
                  "------E__第【1】条记录【图案颜色】字段数值超出字段宽度，填入空数据",
                  "------结束转换【全部正确转换(2/2)】------"}));
    const DbfContent dbf = ReadDbf(m_out / "lakes.dbf");
    const std::vector<DbfField> fields = {
        {"名称", 'C', 8, 0},     {"A", 'N', 4, 0},        {"B", 'N', 8, 2},
        {"C", 'N', 3, 0},        {"D", 'N', 6, 0},        {"填充颜色", 'N', 8, 0},
        {"填充图案", 'N', 8, 0}, {"图案高度", 'N', 8, 3}, {"图案宽度", 'N', 8, 3},
        {"图案颜色", 'N', 8, 0}, {"图层", 'N', 8, 0},     {"透明输出", 'N', 8, 0}};
    EXPECT_EQ(dbf.fields, fields);
    ASSERT_EQ(dbf.rows.size(), 2u);
    // A flag of -1 reaches the unsigned writer as 4294967295, too wide: it is written signed.
    EXPECT_EQ(dbf.rows[0], (Row{"湖", "1", "2.50", "3", "-4", "16744192", "12", "2.500", "1.250",
                                "255", "30", "-1"}));
    EXPECT_EQ(dbf.rows[1], (Row{std::nullopt, "0", "0.00", "0", "0", "-1", "-2", std::nullopt,
                                "0.000", std::nullopt, "-32768", "0"}));

    Reset();
    m_options.StyleAsAttributes = 0;
    EXPECT_EQ(m_engine.ConvertPolygon2Shp(source, m_out, 0), 0);
    EXPECT_EQ(ReadDbf(m_out / "lakes.dbf").fields,
              std::vector<DbfField>(fields.begin(), fields.begin() + 5));
}

TEST_F(ConvertPolygon, NamesAndEmptyResults)
{
    const json square = {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}};
    struct Case {
        std::vector<std::string> existing;
        std::vector<json> polygons;
        int deleteEmpty;
        int outcome;
        std::vector<std::string> lines;  // after the start line
        std::vector<std::string> files;  // of the run, beside the existing ones
    };
    const std::string all = "------结束转换【全部正确转换(1/1)】------";
    const std::vector<std::string> plain = {"lakes.dbf", "lakes.prj", "lakes.shp", "lakes.shx"};
    const std::vector<std::string> suffixed = {"lakes_WP.dbf", "lakes_WP.prj", "lakes_WP.shp",
                                               "lakes_WP.shx"};
    const std::vector<Case> cases = {
        {{}, {square}, 1, 0, {all}, plain},
        {{"lakes.shp"}, {square}, 1, 0, {all}, suffixed},
        // Empty and deleted-empty results come from the run every converter shares
        // (ConvertArc.OutcomesLogAndFilesLeft); kept, an empty polygon file is a whole Shapefile.
        {{}, {}, 0, 10, {"------结束转换【文件为空文件(0/0)】------"}, plain},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.existing.size() << c.polygons.size() << c.deleteEmpty);
        Reset();
        m_options.DeleteEmptyResults = c.deleteEmpty;
        std::vector<std::string> files = c.files;
        for (const std::string& name : c.existing) {
            WriteFile(m_out / name, "earlier");
            files.push_back(name);
        }
        std::sort(files.begin(), files.end());
        const auto source = Source("lakes.wp", PolygonFile(c.polygons).dump());
        EXPECT_EQ(m_engine.ConvertPolygon2Shp(source, m_out, 0), c.outcome);
        std::vector<std::string> lines = {"开始转换【" + source.string() + "】------"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(LogLines(), lines);
        EXPECT_EQ(OutputFiles(), files);
        for (const std::string& name : c.existing) {
            EXPECT_EQ(ReadFile(m_out / name), "earlier");
        }
    }
}

TEST_F(ConvertPolygon, SampleLakes)
{
    for (const int style : {0, 1}) {
        SCOPED_TRACE(style);
        Reset();
        m_options = {0, 1, style, 1};
        const double scale = style == 1 ? 1000.0 : 1.0;
        json lakes = LoadSampleJson("lakes.json");
        lakes["projection"]["scale"] = scale;
        const auto source = Source("lakes.wp", lakes.dump());
        EXPECT_EQ(m_engine.ConvertPolygon2Shp(source, m_out, 1), 0);
        std::vector<std::string> lines = {"开始转换【" + source.string() + "】------",
                                          "------E__ARCGIS不支持【照片】字段类型"};
        if (style == 1) {
            lines.push_back("------I__增加图示表达信息字段");
        }
        for (int r = 0; r < 3; ++r) {
            lines.push_back("------E__第【" + std::to_string(r) +
                            "】条记录【照片】字段填入空数据,ARCGIS不支持该类型");
        }
        lines.push_back("------结束转换【全部正确转换(3/3)】------");
        EXPECT_EQ(LogLines(), lines);

        const json gdal = ReadWithGdal(m_out / "lakes.shp");
        ASSERT_EQ(gdal["features"].size(), lakes["records"].size());
        EXPECT_EQ(ValidityWithGdal(m_out / "lakes.shp"), json({1, 1, 1}));
        for (std::size_t r = 0; r < lakes["records"].size(); ++r) {
            const json& record = lakes["records"][r];
            const json& feature = gdal["features"][r];
            ASSERT_EQ(feature["geometry"]["type"], "Polygon");
            const json& rings = feature["geometry"]["coordinates"];
            ASSERT_EQ(rings.size(), record["geometry"].size());
            for (std::size_t k = 0; k < rings.size(); ++k) {
                // The stored ring, scaled and closed; written in either direction.
                json expected = json::array();
                for (const json& vertex : record["geometry"][k]) {
                    expected.push_back(
                        {vertex[0].get<double>() * scale, vertex[1].get<double>() * scale});
                }
                if (expected.front() != expected.back()) {
                    expected.push_back(expected.front());
                }
                json reversed = expected;
                std::reverse(reversed.begin(), reversed.end());
                EXPECT_TRUE(rings[k] == expected || rings[k] == reversed) << rings[k];
            }
            ExpectAttributes(feature["properties"], lakes["fields"], record["attributes"]);
            EXPECT_EQ(feature["properties"].size(), 5u + 7u * style);
        }
    }
}

}  // namespace
}  // namespace CalvornTest
