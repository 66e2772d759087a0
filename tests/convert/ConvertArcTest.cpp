// Line files end to end, and through them the run every converter shares: outcomes, naming,
// the scale factor, outputs that cannot be created, runs ended by an exception, progress.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include <sys/stat.h>

#include "tests/convert/ConvertTestSupport.h"

namespace CalvornTest {
namespace {

using nlohmann::json;

const std::string kStart = "开始转换【";

// A line file with the integer field "编号" holding each record's slot. `slots`: 'L' live,
// 'D' deleted, 'X' damaged.
json LineFile(const std::string& slots)
{
    json file = {{"kind", "line"},
                 {"fields", json::array({{{"name", "编号"}, {"type", 3}, {"width", 6}}})},
                 {"records", json::array()}};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const double x = static_cast<double>(i);
        file["records"].push_back(
            {{"geometry", json::array({json::array(
                              {json::array({x, 2 * x}), json::array({x + 1.5, 2 * x + 0.25})})})},
             {"attributes", json::array({i})},
             {"deleted", slots[i] == 'D'},
             {"damaged", slots[i] == 'X'}});
    }
    return file;
}

std::string StartLine(const std::filesystem::path& source)
{
    return kStart + source.string() + "】------";
}

class ConvertArc : public ConversionTest {};

TEST_F(ConvertArc, OutcomesLogAndFilesLeft)
{
    const std::string deleted1 = "------I__第【1】条记录中被标记为已删除";
    const std::string empty = "------结束转换【文件为空文件(0/0)】------";
    const std::string removed = "------文件为空,已被删除！------";
    const std::string unreadable0 = "------F__第【0】条记录发生未知读取错误";
    const std::string unreadable1 = "------F__第【1】条记录发生未知读取错误";
    struct Case {
        std::string slots;
        int deleteEmpty;
        int outcome;
        std::vector<std::string> lines;  // after the start line
        bool kept;                       // the outputs are left
        std::vector<std::string> rows;   // "编号" of each written row
    };
    const std::vector<Case> cases = {
        {"LLL", 1, 0, {"------结束转换【全部正确转换(3/3)】------"}, true, {"0", "1", "2"}},
        {"LDXL",
         1,
         4,
         {deleted1, "------F__第【2】条记录发生未知读取错误",
          "------结束转换【发生未知错误(2/3)】------"},
         true,
         {"0", "3"}},
        {"", 1, 10, {empty, removed}, false, {}},
        {"", 0, 10, {empty}, true, {}},
        {"DD",
         1,
         10,
         {"------I__第【0】条记录中被标记为已删除", deleted1, empty, removed},
         false,
         {}},
        // Live records that all fail to read are lost, not an empty file.
        {"XX",
         1,
         4,
         {unreadable0, unreadable1, "------结束转换【发生未知错误(0/2)】------"},
         false,
         {}},
        {"XX",
         0,
         4,
         {unreadable0, unreadable1, "------结束转换【发生未知错误(0/2)】------"},
         true,
         {}},
    };
    m_options.OutputProjection = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slots + std::to_string(c.deleteEmpty));
        Reset();
        m_options.DeleteEmptyResults = c.deleteEmpty;
        const auto source = Source("roads.wl", LineFile(c.slots).dump());
        EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 0), c.outcome);
        std::vector<std::string> lines = {StartLine(source)};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(LogLines(), lines);
        if (!c.kept) {
            EXPECT_TRUE(OutputFiles().empty());
            continue;
        }
        EXPECT_EQ(OutputFiles(), (std::vector<std::string>{"roads.dbf", "roads.shp", "roads.shx"}));
        const ShpContent shp = ReadShp(m_out / "roads.shp");
        const DbfContent dbf = ReadDbf(m_out / "roads.dbf");
        ASSERT_EQ(shp.shapes.size(), c.rows.size());
        ASSERT_EQ(dbf.rows.size(), c.rows.size());
        EXPECT_EQ(shp.indexCount, static_cast<int>(c.rows.size()));
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            EXPECT_EQ(dbf.rows[r][0], c.rows[r]);
            // The shape of a row is the shape of the same slot.
            EXPECT_EQ(shp.shapes[r][0][0].first, std::stod(c.rows[r]));
        }
    }
}

TEST_F(ConvertArc, SourcesThatCannotBeOpened)
{
    const auto valid = Source("valid.wl", LineFile("L").dump());
    const std::string bytes = ReadFile(valid);
    struct Case {
        const char* name;
        std::string content;  // empty: no file at all
        std::string line;
    };
    const Case cases[] = {
        {"missing.wl", "", "------结束转换【文件打开失败】------"},
        {"text.wl", "hello, world", "------结束转换【非Torvex文件】------"},
        {"short.wl", std::string("TVXF") + std::string(20, '\0'),
         "------结束转换【文件读取失败】------"},
        {"version.wl", bytes.substr(0, 4) + std::string("\x02\x00", 2) + bytes.substr(6),
         "------结束转换【非系统文件错误】------"},
        // The first field's name length, at the start of the field table, set to 0.
        {"fields.wl", bytes.substr(0, 64) + std::string("\x00\x00", 2) + bytes.substr(66),
         "------结束转换【属性字段定义错误】------"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        const auto source = m_dir / "in" / c.name;
        if (!c.content.empty()) {
            WriteFile(source, c.content);
        }
        EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 0), 1);
        EXPECT_EQ(LogLines(), (std::vector<std::string>{StartLine(source), c.line}));
        EXPECT_TRUE(OutputFiles().empty());
    }
}

// What stands in the output folder before a run: "NAME" a file of another data set, "NAME/" a
// folder, "NAME@" a dangling link, "NAME|" a FIFO. Nothing of it may change.
void MakeExisting(const std::filesystem::path& folder, const std::string& entry)
{
    const std::string name = entry.substr(0, entry.find_first_of("/@|"));
    switch (entry.back()) {
        case '/':
            std::filesystem::create_directory(folder / name);
            break;
        case '@':
            std::filesystem::create_symlink(folder / "elsewhere", folder / name);
            break;
        case '|':
            ASSERT_EQ(mkfifo((folder / name).c_str(), 0644), 0);
            break;
        default:
            WriteFile(folder / name, "earlier");
    }
}

void ExpectUnchanged(const std::filesystem::path& folder, const std::string& entry)
{
    const std::string name = entry.substr(0, entry.find_first_of("/@|"));
    const auto status = std::filesystem::symlink_status(folder / name);
    switch (entry.back()) {
        case '/':
            EXPECT_TRUE(std::filesystem::is_directory(status)) << name;
            break;
        case '@':
            EXPECT_TRUE(std::filesystem::is_symlink(status)) << name;
            EXPECT_FALSE(std::filesystem::exists(folder / "elsewhere")) << name;
            break;
        case '|':
            EXPECT_EQ(status.type(), std::filesystem::file_type::fifo) << name;
            break;
        default:
            EXPECT_EQ(ReadFile(folder / name), "earlier") << name;
    }
}

TEST_F(ConvertArc, OutputNames)
{
    struct Case {
        const char* source;
        const char* layerMap;
        std::vector<std::string> existing;
        std::string base;  // of the new outputs
        bool numbered;     // the log says the suffixed name was taken
    };
    std::vector<Case> cases = {
        {"roads.wl", "", {}, "roads", false},
        // A table converted earlier into the folder is not overwritten.
        {"roads.wl", "", {"roads.dbf"}, "roads_WL", false},
        {"roads.wl", "", {"roads.shp", "roads_WL.shp", "roads_WL.dbf"}, "roads_WL_2", true},
        {"roads.wl", "", {"roads.cpg", "roads_WL.qix", "roads_WL_2.shp.xml"}, "roads_WL_3", true},
        {"roads.wl", "", {"roads.shx/", "roads_WL.prj@", "roads_WL_2.dbf|"}, "roads_WL_3", true},
        {"my.roads.wl", "", {}, "my.roads", false},
        {"roads.wl", "roads,Roads_2010\nROADS,X\n", {}, "Roads_2010", false},
        {"roads.wl", "roads,Roads_2010\n", {"Roads_2010.shp"}, "Roads_2010_WL", false},
        {"roads.wl", "roads,\n", {}, "roads", false},
        {"道路.wl", "道路,主干道\n", {"主干道.dbf", "主干道_WL.sbn"}, "主干道_WL_2", true},
    };
    // Anything under any extension of a Shapefile takes the name, whatever it is.
    for (const char* extension :
         {".shp", ".shx", ".prj", ".cpg", ".qix", ".sbn", ".sbx", ".shp.xml"}) {
        cases.push_back({"roads.wl", "", {std::string("roads") + extension}, "roads_WL", false});
    }
    cases.push_back({"roads.wl", "", {"roads.shx@"}, "roads_WL", false});
    cases.push_back({"roads.wl", "", {"roads.prj|"}, "roads_WL", false});
    json file = LineFile("LL");
    file["projection"] = {{"kind", 3}, {"type", 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + std::string(" ") + c.layerMap + " " + c.base);
        Reset();
        m_tables = Calvorn::NameTables();
        MapLayers(c.layerMap);
        std::vector<std::string> expected;
        for (const std::string& entry : c.existing) {
            MakeExisting(m_out, entry);
            expected.push_back(entry.substr(0, entry.find_first_of("/@|")));
        }
        for (const char* extension : {".dbf", ".prj", ".shp", ".shx"}) {
            expected.push_back(c.base + extension);
        }
        std::sort(expected.begin(), expected.end());
        const auto source = Source(c.source, file.dump());
        EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 0), 0);
        EXPECT_EQ(OutputFiles(), expected);
        EXPECT_EQ(ReadShp(m_out / (c.base + ".shp")).shapes.size(), 2u);
        for (const std::string& entry : c.existing) {
            ExpectUnchanged(m_out, entry);
        }
        const std::string numberedBase = c.base.substr(0, c.base.rfind('_'));
        std::vector<std::string> lines = {StartLine(source)};
        if (c.numbered) {
            lines.push_back("------W__输出文件【" + numberedBase + ".shp】已存在，改为写入【" +
                            c.base + ".shp】");
        }
        lines.push_back("------结束转换【全部正确转换(2/2)】------");
        EXPECT_EQ(LogLines(), lines);
    }
    // An empty result leaves nothing, and removes nothing of what was there.
    Reset();
    WriteFile(m_out / "roads.prj", "earlier");
    EXPECT_EQ(m_engine.ConvertArc2Shp(Source("roads.wl", LineFile("").dump()), m_out, 0), 10);
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"roads.prj"});
    EXPECT_EQ(ReadFile(m_out / "roads.prj"), "earlier");
}

TEST_F(ConvertArc, ScaleFactorAndPrj)
{
    const double nan = std::nan("");
    struct Case {
        json projection;
        int outputProjection;
        double patchedScale;  // written over the stored factor when not 0
        double factor;
        bool prj;
    };
    const Case cases[] = {
        {{{"kind", 3}, {"type", 5}, {"scale", 1000.0}}, 1, 0, 1000.0, true},
        {{{"kind", 3}, {"type", 5}, {"scale", 1000.0}}, 0, 0, 1.0, false},
        {nullptr, 1, 0, 1.0, false},
        // A factor of 0 would collapse every vertex, one that is not a number destroy them.
        {{{"kind", 3}, {"type", 5}, {"scale", 0.0}}, 1, 0, 1.0, true},
        {{{"kind", 3}, {"type", 5}}, 1, nan, 1.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.projection.dump() + " " + std::to_string(c.outputProjection));
        Reset();
        m_options.OutputProjection = c.outputProjection;
        json file = LineFile("LL");
        file["projection"] = c.projection;
        const auto source = Source("roads.wl", file.dump());
        if (c.patchedScale != 0) {
            // The header holds the projection record's offset at 32; the factor is at 52 in it.
            std::uint64_t offset = 0;
            std::memcpy(&offset, ReadFile(source).data() + 32, 8);
            std::string bytes(8, '\0');
            std::memcpy(bytes.data(), &c.patchedScale, 8);
            PatchFile(source, offset + 52, bytes);
        }
        EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 0), 0);
        EXPECT_EQ(std::filesystem::exists(m_out / "roads.prj"), c.prj);
        const ShpContent shp = ReadShp(m_out / "roads.shp");
        ASSERT_EQ(shp.shapes.size(), 2u);
        EXPECT_EQ(shp.shapes[1][0],
                  (Part{{1.0 * c.factor, 2.0 * c.factor}, {2.5 * c.factor, 2.25 * c.factor}}));
    }
}

TEST_F(ConvertArc, OutputsThatCannotBeCreated)
{
    json file = LineFile("LL");
    file["projection"] = {{"kind", 3}, {"type", 5}};
    const auto source = Source("roads.wl", file.dump());
    const auto missing = m_out / "missing";
    EXPECT_EQ(m_engine.ConvertArc2Shp(source, missing, 0), 4);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{StartLine(source), "------E__无法创建输出文件【" +
                                                               (missing / "roads.shp").string() +
                                                               "】：没有那个文件或目录"}));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(ConvertArc, ExceptionInRecordLoopKeepsValidOutputs)
{
    const auto source = Source("roads.wl", LineFile("LLLL").dump());
    int calls = 0;
    m_engine.SetProgressCallback([&](int) {
        if (++calls == 2) {
            throw std::runtime_error("进度条已关闭");
        }
    });
    EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 1), 4);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{StartLine(source), "------E__转换中止：进度条已关闭"}));
    const json gdal = ReadWithGdal(m_out / "roads.shp");
    ASSERT_EQ(gdal["features"].size(), 2u);
    EXPECT_EQ(gdal["features"][1]["properties"]["编号"], 1);
    EXPECT_EQ(ReadShp(m_out / "roads.shp").indexCount, 2);
}

TEST_F(ConvertArc, Progress)
{
    const auto source = Source("roads.wl", LineFile("LDLXL").dump());
    std::vector<int> positions;
    m_engine.SetProgressCallback([&](int position) { positions.push_back(position); });
    EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 0), 4);
    EXPECT_TRUE(positions.empty());
    Reset();
    EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 1), 4);
    EXPECT_EQ(positions, (std::vector<int>{25, 50, 75}));
    // Reported only when the position changes.
    Reset();
    positions.clear();
    EXPECT_EQ(m_engine.ConvertArc2Shp(Source("long.wl", LineFile(std::string(250, 'L')).dump()),
                                      m_out, 1),
              0);
    ASSERT_EQ(positions.size(), 101u);
    for (int i = 0; i <= 100; ++i) {
        EXPECT_EQ(positions[static_cast<std::size_t>(i)], i);
    }
    // No callback with the flag set: nothing to call, the run goes on.
    Reset();
    m_engine.SetProgressCallback(nullptr);
    EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 1), 4);
}

TEST_F(ConvertArc, StyleFields)
{
    json file = {
        {"kind", "line"},
        {"fields", json::array({{{"name", "名称"}, {"type", 0}, {"width", 8}},
                                {{"name", "图层"}, {"type", 3}, {"width", 4}},
                                {{"name", "A"}, {"type", 5}, {"width", 8}, {"decimals", 2}},
                                {{"name", "B"}, {"type", 1}, {"width", 3}}})}};
    const json line = json::array({json::array({json::array({0, 0}), json::array({1, 1})})});
    file["records"] = {
        {{"geometry", line},
         {"attributes", {"甲", 1, 2.5, 3}},
         {"style",
          {{"style", 1},
           {"color", -1},
           {"width", 0.25},
           {"kind", 2},
           {"x_factor", 1.25},
           {"y_factor", 2.75},
           {"aux_style", -1},
           {"aux_color", 255},
           {"layer", 3},
           {"transparent", -1}}}},
        {{"geometry", line},
         {"style", {{"color", 2147483648}, {"width", 123456.5}, {"layer", -32768}}}}};
    const auto source = Source("roads.wl", file.dump());
    m_options.StyleAsAttributes = 1;
    EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 0), 0);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              StartLine(source), "------W__【图层】字段名改为【图层_1】",
                              "------I__增加图示表达信息字段",
                              "------E__第【1】条记录【线颜色】字段数值超出字段宽度，填入空数据",
                              "------E__第【1】条记录【线宽】字段数值超出字段宽度，填入空数据",
                              "------结束转换【全部正确转换(2/2)】------"}));
    const DbfContent dbf = ReadDbf(m_out / "roads.dbf");
    const std::vector<DbfField> fields = {
        {"名称", 'C', 8, 0},   {"图层", 'N', 4, 0},     {"A", 'N', 8, 2},
        {"B", 'N', 3, 0},      {"线型", 'N', 8, 0},     {"线颜色", 'N', 8, 0},
        {"线宽", 'N', 8, 3},   {"线类型", 'N', 8, 0},   {"X系数", 'N', 8, 0},
        {"Y系数", 'N', 8, 0},  {"辅助线型", 'N', 8, 0}, {"辅助颜色", 'N', 8, 0},
        {"图层_1", 'N', 8, 0}, {"透明输出", 'N', 8, 0}};
    EXPECT_EQ(dbf.fields, fields);
    using Row = std::vector<std::optional<std::string>>;
    ASSERT_EQ(dbf.rows.size(), 2u);
    EXPECT_EQ(dbf.rows[0], (Row{"甲", "1", "2.50", "3", "1", "-1", "0.250", "2", "1", "3", "-1",
                                "255", "3", "-1"}));
    EXPECT_EQ(dbf.rows[1], (Row{std::nullopt, "0", "0.00", "0", "0", std::nullopt, std::nullopt,
                                "0", "0", "0", "0", "0", "-32768", "0"}));

    Reset();
    m_options.StyleAsAttributes = 0;
    EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 0), 0);
    EXPECT_EQ(ReadDbf(m_out / "roads.dbf").fields,
              std::vector<DbfField>(fields.begin(), fields.begin() + 4));
}

}  // namespace
}  // namespace CalvornTest
