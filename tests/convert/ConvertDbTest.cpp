// Table files end to end, and through them the attribute transfer of every converter: types,
// absent values, texts that are cut, numbers that do not fit, field names.
#include <cstdio>
#include <stdexcept>

#include "tests/convert/ConvertTestSupport.h"

namespace CalvornTest {
namespace {

using nlohmann::json;
using Row = std::vector<std::optional<std::string>>;

json Field(const char* name, int type, int width, int decimals = 0)
{
    return {{"name", name}, {"type", type}, {"width", width}, {"decimals", decimals}};
}

std::string StartLine(const std::filesystem::path& source)
{
    return "开始转换【" + source.string() + "】------";
}

class ConvertDb : public ConversionTest {};

TEST_F(ConvertDb, EveryAttributeType)
{
    const std::string a300(300, 'a');
    json file = {{"kind", "table"},
                 {"fields",
                  {Field("名称", 0, 10), Field("U8", 1, 3), Field("S16", 2, 6), Field("S32", 3, 4),
                   Field("F32", 4, 14, 10), Field("F64", 5, 12, 3), Field("日期", 6, 10),
                   Field("时间", 7, 12), Field("BOOL", 8, 1), Field("长文本", 9, 300),
                   Field("OTHER", 12, 1), Field("LONGTXT", 0, 300),
                   Field("VeryLongFieldName", 3, 8), Field("verylongfieldname2", 3, 8)}}};
    file["records"] = {
        {{"attributes",
          {"长江路",
           200,
           -2,
           123456,
           0.1,
           3.14159,
           {2010, 5, 7},
           {8, 5, 3.5},
           true,
           "备注文字",
           nullptr,
           a300,
           12345678,
           1}}},
        {{"attributes", json::array()}},
        {{"attributes",
          {"A超长名称测试",
           255,
           -32768,
           -1000,
           nullptr,
           1e10,
           {0, 0, 0},
           {0, 0, 0.0},
           7,
           std::string(300, 'b'),
           nullptr,
           std::string(254, 'c'),
           -1,
           -1}}},
        {{"attributes",
          {"", 0, 0, 0, -0.5, -0.5, {0, 3, 0}, {0, 0, 0.25}, false, "", nullptr, "", 0, 0}}},
    };
    file["records"][1]["attributes"] = json::array();
    for (int i = 0; i < 14; ++i) {
        file["records"][1]["attributes"].push_back(nullptr);
    }
    // An entry mapping to the empty text keeps the source name.
    MapFields("名称,Name\nU8,名称\nS16,\n");
    const auto source = Source("parcels.wb", file.dump());
    EXPECT_EQ(m_engine.ConvertWB2DBF(source, m_out, 0), 0);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{
                  StartLine(source),
                  "------W__【长文本】字段被截断为254字节，SHAPE不支持大于254字节的字符串类型字段",
                  "------E__ARCGIS不支持【OTHER】字段类型",
                  "------W__【LONGTXT】字段被截断为254字节，SHAPE不支持大于254字节的字符串类型字段",
                  "------W__【VeryLongFieldName】字段名改为【VeryLongFi】",
                  "------W__【verylongfieldname2】字段名改为【verylong_1】",
                  "------E__第【0】条记录【S32】字段数值超出字段宽度，填入空数据",
                  "------E__第【0】条记录【OTHER】字段填入空数据,ARCGIS不支持该类型",
                  "------W__第【0】条记录【LONGTXT】字段被截断为254字节",
                  "------E__第【1】条记录【OTHER】字段填入空数据,ARCGIS不支持该类型",
                  "------E__第【2】条记录【S32】字段数值超出字段宽度，填入空数据",
                  "------E__第【2】条记录【F64】字段数值超出字段宽度，填入空数据",
                  "------E__第【2】条记录【OTHER】字段填入空数据,ARCGIS不支持该类型",
                  "------E__第【3】条记录【OTHER】字段填入空数据,ARCGIS不支持该类型",
                  "------结束转换【全部正确转换(4/4)】------"}));
    const DbfContent dbf = ReadDbf(m_out / "parcels.dbf");
    EXPECT_EQ(dbf.fields, (std::vector<DbfField>{{"Name", 'C', 10, 0},
                                                 {"名称", 'N', 3, 0},
                                                 {"S16", 'N', 6, 0},
                                                 {"S32", 'N', 4, 0},
                                                 {"F32", 'N', 14, 10},
                                                 {"F64", 'N', 12, 3},
                                                 {"日期", 'C', 10, 0},
                                                 {"时间", 'C', 12, 0},
                                                 {"BOOL", 'N', 1, 0},
                                                 {"长文本", 'C', 254, 0},
                                                 {"OTHER", 'L', 1, 0},
                                                 {"LONGTXT", 'C', 254, 0},
                                                 {"VeryLongFi", 'N', 8, 0},
                                                 {"verylong_1", 'N', 8, 0}}));
    // The float is widened: the double nearest to the float 0.1, not to the decimal 0.1.
    char f32[32];
    std::snprintf(f32, sizeof f32, "%.10f", static_cast<double>(0.1f));
    const std::nullopt_t null = std::nullopt;
    ASSERT_EQ(dbf.rows.size(), 4u);
    EXPECT_EQ(dbf.rows[0],
              (Row{"长江路", "200", "-2", null, f32, "3.142", "2010-05-07", "08:05:3.50", "1",
                   "备注文字", null, std::string(254, 'a'), "12345678", "1"}));
    EXPECT_EQ(dbf.rows[1], (Row{null, "0", "0", "0", "0.0000000000", "0.000", null, null, "0", null,
                                null, null, "0", "0"}));
    // A double-byte character that does not fit whole is left out.
    EXPECT_EQ(dbf.rows[2],
              (Row{"A超长名称", "255", "-32768", null, "0.0000000000", null, null, null, "1",
                   std::string(254, 'b'), null, std::string(254, 'c'), "-1", "-1"}));
    EXPECT_EQ(dbf.rows[3], (Row{null, "0", "0", "0", "-0.5000000000", "-0.500", "0000-03-00",
                                "00:00:0.25", "0", null, null, null, "0", "0"}));
}

TEST_F(ConvertDb, Outcomes)
{
    struct Case {
        int rows;
        int deleteEmpty;
        int outcome;
        std::vector<std::string> lines;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {2, 1, 0, {"------结束转换【全部正确转换(2/2)】------"}, {"parcels.dbf"}},
        {0,
         1,
         10,
         {"------结束转换【文件为空文件(0/0)】------", "------文件为空,已被删除！------"},
         {}},
        {0, 0, 10, {"------结束转换【文件为空文件(0/0)】------"}, {"parcels.dbf"}},
    };
    m_options.OutputProjection = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows * 10 + c.deleteEmpty);
        Reset();
        m_options.DeleteEmptyResults = c.deleteEmpty;
        json file = {{"kind", "table"}, {"fields", json::array()}, {"records", json::array()}};
        file["projection"] = {{"kind", 3}, {"type", 5}};
        for (int r = 0; r < c.rows; ++r) {
            file["records"].push_back(json::object());
        }
        const auto source = Source("parcels.wb", file.dump());
        EXPECT_EQ(m_engine.ConvertWB2DBF(source, m_out, 0), c.outcome);
        std::vector<std::string> lines = {StartLine(source)};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(LogLines(), lines);
        EXPECT_EQ(OutputFiles(), c.files);
        if (!c.files.empty()) {
            // A .dbf without fields is refused by readers: each row carries its index.
            const DbfContent dbf = ReadDbf(m_out / "parcels.dbf");
            EXPECT_EQ(dbf.fields, (std::vector<DbfField>{{"FID", 'N', 11, 0}}));
            EXPECT_EQ(dbf.rows,
                      (std::vector<Row>(dbf.rows.size() == 2 ? std::vector<Row>{{"0"}, {"1"}}
                                                             : std::vector<Row>{})));
        }
    }
}

TEST_F(ConvertDb, Names)
{
    const std::string table = R"({"kind": "table", "records": [{}]})";
    const auto source = Source("parcels.wb", table);
    WriteFile(m_out / "parcels.shp", "a Shapefile");
    EXPECT_EQ(m_engine.ConvertWB2DBF(source, m_out, 0), 0);
    EXPECT_EQ(OutputFiles(), (std::vector<std::string>{"parcels.dbf", "parcels.shp"}));
    EXPECT_EQ(m_engine.ConvertWB2DBF(source, m_out, 0), 0);
    EXPECT_EQ(OutputFiles(),
              (std::vector<std::string>{"parcels.dbf", "parcels.shp", "parcels_WB.dbf"}));
    // A stale .cpg takes a name as much as a .dbf; neither is touched.
    WriteFile(m_out / "parcels_WB_2.cpg", "UTF-8");
    EXPECT_EQ(m_engine.ConvertWB2DBF(source, m_out, 0), 0);
    EXPECT_EQ(ReadFile(m_out / "parcels_WB_2.cpg"), "UTF-8");
    EXPECT_EQ(ReadDbf(m_out / "parcels_WB_3.dbf").rows.size(), 1u);
    EXPECT_EQ(LogLines()[LogLines().size() - 2],
              "------W__输出文件【parcels_WB.dbf】已存在，改为写入【parcels_WB_3.dbf】");
    // A line file converted next keeps clear of the table.
    const auto roads =
        Source("parcels.wl", R"({"kind": "line", "records": [{"geometry": [[[0, 0], [1, 1]]]}]})");
    std::filesystem::remove(m_out / "parcels.shp");
    EXPECT_EQ(m_engine.ConvertArc2Shp(roads, m_out, 0), 0);
    EXPECT_TRUE(std::filesystem::exists(m_out / "parcels_WL.shp"));
    EXPECT_EQ(ReadDbf(m_out / "parcels.dbf").rows.size(), 1u);
}

TEST_F(ConvertDb, Failures)
{
    // Fields that cannot all be defined: a .dbf record holds at most 65535 bytes.
    json file = {{"kind", "table"}, {"fields", json::array()}, {"records", {json::object()}}};
    for (int i = 0; i < 300; ++i) {
        file["fields"].push_back(Field(("T" + std::to_string(i)).c_str(), 0, 254));
    }
    const auto wide = Source("wide.wb", file.dump());
    EXPECT_EQ(m_engine.ConvertWB2DBF(wide, m_out, 0), 6);
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("------E__转换中止：", 0), 0u) << lines[1];
    EXPECT_GT(ReadDbf(m_out / "wide.dbf").fields.size(), 200u);

    Reset();
    const auto source = Source("parcels.wb", R"({"kind": "table", "records": [{}, {}, {}]})");
    m_engine.SetProgressCallback([](int position) {
        if (position > 50) {
            throw std::runtime_error("stop");
        }
    });
    EXPECT_EQ(m_engine.ConvertWB2DBF(source, m_out, 1), 4);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{StartLine(source), "------E__转换中止：stop"}));
    EXPECT_EQ(ReadDbf(m_out / "parcels.dbf").rows.size(), 2u);
}

}  // namespace
}  // namespace CalvornTest
