// Point files end to end: routing by point kind into the main and the annotation output, the
// annotation text, the sub-graph and annotation fields, the names of both outputs, empty
// outputs, and the sample towns read back by GDAL.
#include <algorithm>

#include "tests/convert/ConvertTestSupport.h"

namespace CalvornTest {
namespace {

using nlohmann::json;
using Row = std::vector<std::optional<std::string>>;

// A point file with the integer field "编号" holding each record's slot. `slots`: '0', '1',
// '2' live points of that kind, 'D' deleted, 'X' damaged. Annotation points carry the text
// "注记" and their slot.
json PointFile(const std::string& slots)
{
    json file = {{"kind", "point"},
                 {"fields", json::array({{{"name", "编号"}, {"type", 3}, {"width", 4}}})},
                 {"projection", {{"kind", 3}, {"type", 5}}},
                 {"records", json::array()}};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const int kind = slots[i] >= '0' && slots[i] <= '9' ? slots[i] - '0' : 1;
        json record = {{"geometry", {i, 2 * i}},
                       {"attributes", {i}},
                       {"style", {{"kind", kind}}},
                       {"deleted", slots[i] == 'D'},
                       {"damaged", slots[i] == 'X'}};
        if (kind == 0) {
            record["text"] = "注记" + std::to_string(i);
        }
        file["records"].push_back(record);
    }
    return file;
}

std::vector<std::string> FilesOf(const std::string& base)
{
    return {base + ".dbf", base + ".prj", base + ".shp", base + ".shx"};
}

class ConvertPoint : public ConversionTest {
protected:
    std::string StartLine(const std::filesystem::path& source) const
    {
        return "开始转换【" + source.string() + "】------";
    }
};

TEST_F(ConvertPoint, RoutingByKindAndEmptyOutputs)
{
    struct Case {
        std::string slots;
        int split;
        int deleteEmpty;
        int outcome;
        std::vector<std::string> lines;  // after the start line
        std::vector<int> main;           // slots in the main output's rows; -1: no main output
        std::vector<int> annotations;    // in the annotation output's rows; -1: none
    };
    const std::string deleted1 = "------I__第【1】条记录中被标记为已删除";
    const std::string empty = "------结束转换【文件为空文件(0/0)】------";
    const std::vector<Case> cases = {
        {"012", 0, 1, 0, {"------结束转换【全部正确转换(3/3)】------"}, {0, 1, 2}, {-1}},
        {"012", 1, 1, 0, {"------结束转换【全部正确转换(3/3)】------"}, {1, 2}, {0}},
        // Annotations only: the empty main output goes, without a line.
        {"00", 1, 1, 0, {"------结束转换【全部正确转换(2/2)】------"}, {-1}, {0, 1}},
        {"00", 1, 0, 0, {"------结束转换【全部正确转换(2/2)】------"}, {}, {0, 1}},
        {"12", 1, 1, 0, {"------结束转换【全部正确转换(2/2)】------"}, {0, 1}, {-1}},
        {"", 1, 1, 10, {empty}, {-1}, {-1}},
        {"", 1, 0, 10, {empty}, {}, {}},
        {"0D2X0",
         1,
         1,
         4,
         {deleted1, "------F__第【3】条记录发生未知读取错误",
          "------结束转换【发生未知错误(3/4)】------"},
         {2},
         {0, 4}},
        // Live points that all fail to read are lost, not an empty file.
        {"XX",
         1,
         1,
         4,
         {"------F__第【0】条记录发生未知读取错误", "------F__第【1】条记录发生未知读取错误",
          "------结束转换【发生未知错误(0/2)】------"},
         {-1},
         {-1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slots + "/" + std::to_string(c.split) + std::to_string(c.deleteEmpty));
        Reset();
        m_options.SplitAnnotations = c.split;
        m_options.DeleteEmptyResults = c.deleteEmpty;
        const auto source = Source("towns.wt", PointFile(c.slots).dump());
        EXPECT_EQ(m_engine.ConvertPoint2Shp(source, m_out, 0), c.outcome);
        std::vector<std::string> lines = {StartLine(source)};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(LogLines(), lines);

        std::vector<std::string> files;
        const std::pair<const char*, const std::vector<int>*> outputs[] = {
            {"towns", &c.main}, {"towns_ANN", &c.annotations}};
        for (const auto& [base, slots] : outputs) {
            if (*slots == std::vector<int>{-1}) {
                continue;
            }
            const auto more = FilesOf(base);
            files.insert(files.end(), more.begin(), more.end());
            const std::string name = base;
            const DbfContent dbf = ReadDbf(m_out / (name + ".dbf"));
            const ShpContent shp = ReadShp(m_out / (name + ".shp"));
            ASSERT_EQ(dbf.rows.size(), slots->size()) << name;
            ASSERT_EQ(shp.shapes.size(), slots->size()) << name;
            const bool annotationOutput = name == "towns_ANN";
            EXPECT_EQ(dbf.fields.size(), annotationOutput ? 2u : 1u);
            for (std::size_t r = 0; r < slots->size(); ++r) {
                const int slot = (*slots)[r];
                EXPECT_EQ(dbf.rows[r][0], std::to_string(slot));
                EXPECT_EQ(shp.shapes[r], (std::vector<Part>{{{slot, 2 * slot}}}));
                if (annotationOutput) {
                    EXPECT_EQ(dbf.rows[r][1], "注记" + std::to_string(slot));
                }
            }
        }
        std::sort(files.begin(), files.end());
        EXPECT_EQ(OutputFiles(), files);
    }
}

TEST_F(ConvertPoint, OutputNames)
{
    struct Case {
        std::vector<std::string> existing;
        int split;
        const char* layerMap;
        std::string main;
        std::string annotations;  // empty: none
    };
    const std::vector<Case> cases = {
        {{}, 1, "", "towns", "towns_ANN"},
        {{"towns.shp"}, 1, "", "towns_WT", "towns_ANN"},
        {{"towns.dbf"}, 0, "", "towns_WT", ""},
        // An earlier annotation output is left alone, and a new one numbered after it.
        {{"towns_ANN.shp", "towns_ANN.dbf"}, 0, "", "towns", ""},
        {{"towns_ANN.prj"}, 1, "", "towns", "towns_ANN_2"},
        {{"towns.shp", "towns_WT.cpg", "towns_ANN.shx"}, 1, "", "towns_WT_2", "towns_ANN_2"},
        {{}, 1, "towns,城镇\n", "城镇", "城镇_ANN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.main + "/" + c.annotations + "/" + std::to_string(c.existing.size()));
        Reset();
        m_tables = Calvorn::NameTables();
        MapLayers(c.layerMap);
        m_options.SplitAnnotations = c.split;
        std::vector<std::string> files = FilesOf(c.main);
        for (const std::string& name : c.existing) {
            WriteFile(m_out / name, "earlier");
            files.push_back(name);
        }
        if (!c.annotations.empty()) {
            const auto more = FilesOf(c.annotations);
            files.insert(files.end(), more.begin(), more.end());
        }
        std::sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end()), files.end());
        EXPECT_EQ(m_engine.ConvertPoint2Shp(Source("towns.wt", PointFile("01").dump()), m_out, 0),
                  0);
        EXPECT_EQ(OutputFiles(), files);
        EXPECT_EQ(ReadShp(m_out / (c.main + ".shp")).shapes.size(), c.split == 1 ? 1u : 2u);
        if (!c.annotations.empty()) {
            EXPECT_EQ(ReadShp(m_out / (c.annotations + ".shp")).shapes.size(), 1u);
            EXPECT_EQ(ReadFile(m_out / (c.annotations + ".prj")),
                      ReadFile(m_out / (c.main + ".prj")));
        }
        for (const std::string& name : c.existing) {
            EXPECT_EQ(ReadFile(m_out / name), "earlier") << name;
        }
        // The main output's line comes first; the annotation output numbers after NAME_ANN.
        std::vector<std::string> numbered;
        for (const std::string& line : LogLines()) {
            if (line.find("已存在，改为写入") != std::string::npos) {
                numbered.push_back(line);
            }
        }
        std::vector<std::string> expectedLines;
        for (const std::string& base : {c.main, c.annotations}) {
            if (base.ends_with("_2")) {
                expectedLines.push_back("------W__输出文件【" + base.substr(0, base.size() - 2) +
                                        ".shp】已存在，改为写入【" + base + ".shp】");
            }
        }
        EXPECT_EQ(numbered, expectedLines);
    }
    // Empty results removed are this run's only: an earlier annotation output stays whole.
    Reset();
    m_tables = Calvorn::NameTables();
    m_options.SplitAnnotations = 1;
    for (const std::string& name : FilesOf("towns_ANN")) {
        WriteFile(m_out / name, "earlier");
    }
    EXPECT_EQ(m_engine.ConvertPoint2Shp(Source("towns.wt", PointFile("11").dump()), m_out, 0), 0);
    std::vector<std::string> expected = FilesOf("towns");
    for (const std::string& name : FilesOf("towns_ANN")) {
        EXPECT_EQ(ReadFile(m_out / name), "earlier") << name;
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(OutputFiles(), expected);
}

TEST_F(ConvertPoint, StyleFields)
{
    json file = {{"kind", "point"},
                 {"fields", json::array({{{"name", "名称"}, {"type", 0}, {"width", 300}}})}};
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G"}) {
        file["fields"].push_back({{"name", name}, {"type", 2}, {"width", 2}});
    }
    const json point = {1.0, 2.0};
    file["records"] = {
        {{"geometry", point},
         {"style",
          {{"kind", 1},
           {"subgraph", 21},
           {"height", 6.5},
           {"width", 4.25},
           {"angle", 15},
           {"color", 255},
           {"transparent", -1},
           {"layer", 10}}}},
        {{"geometry", point}, {"style", {{"kind", 2}, {"color", 7}, {"layer", 3}}}},
        {{"geometry", point},
         {"style",
          {{"kind", 0},
           {"text_height", 8},
           {"text_width", 5.5},
           {"spacing", 1.25},
           {"angle", 80.5},
           {"cn_font", 1},
           {"en_font", 2},
           {"glyph", 3},
           {"arrange", -1},
           {"color", 4294967295},
           {"transparent", -1},
           {"layer", -32768}}},
         {"text", "甲"}},
        {{"geometry", point},
         {"style", {{"kind", 1}, {"subgraph", -5}, {"color", 2147483648}, {"layer", -1}}}},
        {{"geometry", point},
         {"style", {{"kind", 0}, {"arrange", -100}, {"transparent", 5}, {"color", 16744192}}}},
    };
    const auto source = Source("towns.wt", file.dump());
    const std::string cut =
        "------W__【名称】字段被截断为254字节，SHAPE不支持大于254字节的字符串类型字段";
    const Row blank(7);
    const auto row = [&](const Row& style) {
        Row result = {std::nullopt, "0", "0", "0", "0", "0", "0", "0"};
        result.insert(result.end(), style.begin(), style.end());
        return result;
    };
    std::vector<DbfField> fields = {{"名称", 'C', 254, 0}};
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G"}) {
        fields.push_back({name, 'N', 2, 0});
    }
    std::vector<DbfField> mainFields = fields;
    mainFields.insert(mainFields.end(), {{"子图号", 'N', 8, 0},
                                         {"子图高度", 'N', 8, 3},
                                         {"子图宽度", 'N', 8, 3},
                                         {"旋转角度", 'N', 8, 3},
                                         {"子图颜色", 'N', 8, 0},
                                         {"透明输出", 'N', 8, 0},
                                         {"图层号", 'N', 8, 0}});
    std::vector<DbfField> annotationFields = fields;
    annotationFields.insert(annotationFields.end(), {{"注释文字", 'C', 254, 0},
                                                     {"注释高度", 'N', 8, 3},
                                                     {"注释宽度", 'N', 8, 3},
                                                     {"注释间隔", 'N', 8, 3},
                                                     {"注释角度", 'N', 8, 3},
                                                     {"汉字字体", 'N', 8, 0},
                                                     {"西文字体", 'N', 8, 0},
                                                     {"注释字形", 'N', 8, 0},
                                                     {"注释颜色", 'N', 8, 0},
                                                     {"透明输出", 'N', 2, 0},
                                                     {"排列方式", 'N', 2, 0},
                                                     {"图层号", 'N', 8, 0}});
    // Sub-graph values in the main output, unsigned (too wide: tried signed).
    const Row subGraph0 = {"21", "6.500", "4.250", "15.000", "255", "-1", "10"};
    const Row subGraph3 = {"-5", "0.000", "0.000", "0.000", std::nullopt, "0", "-1"};
    const std::string colourLine =
        "------E__第【3】条记录【子图颜色】字段数值超出字段宽度，填入空数据";
    m_options.StyleAsAttributes = 1;

    m_options.SplitAnnotations = 1;
    EXPECT_EQ(m_engine.ConvertPoint2Shp(source, m_out, 0), 0);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{
                  StartLine(source), cut, "------I__增加图示表达信息字段", cut, colourLine,
                  "------E__第【4】条记录【排列方式】字段数值超出字段宽度，填入空数据",
                  "------结束转换【全部正确转换(5/5)】------"}));
    DbfContent main = ReadDbf(m_out / "towns.dbf");
    EXPECT_EQ(main.fields.size(), 15u);
    EXPECT_EQ(main.fields, mainFields);
    EXPECT_EQ(main.rows, (std::vector<Row>{row(subGraph0), row(blank), row(subGraph3)}));
    const DbfContent annotations = ReadDbf(m_out / "towns_ANN.dbf");
    EXPECT_EQ(annotations.fields.size(), 20u);
    EXPECT_EQ(annotations.fields, annotationFields);
    // Signed in the annotation output: the -1 flag fits the 2-wide field.
    EXPECT_EQ(annotations.rows,
              (std::vector<Row>{row({"甲", "8.000", "5.500", "1.250", "80.500", "1", "2", "3", "-1",
                                     "-1", "-1", "-32768"}),
                                row({std::nullopt, "0.000", "0.000", "0.000", "0.000", "0", "0",
                                     "0", "16744192", "5", std::nullopt, "0"})}));

    // Not split: annotation points are plain points, blank in the sub-graph fields.
    Reset();
    m_options.SplitAnnotations = 0;
    EXPECT_EQ(m_engine.ConvertPoint2Shp(source, m_out, 0), 0);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{StartLine(source), cut, "------I__增加图示表达信息字段",
                                        colourLine, "------结束转换【全部正确转换(5/5)】------"}));
    main = ReadDbf(m_out / "towns.dbf");
    EXPECT_EQ(main.fields, mainFields);
    EXPECT_EQ(main.rows, (std::vector<Row>{row(subGraph0), row(blank), row(blank), row(subGraph3),
                                           row(blank)}));
}

TEST_F(ConvertPoint, AnnotationTextOfASourceWithoutFields)
{
    // Two bytes a character in GBK: 255 bytes, of which 253 fit the field.
    std::string longText = "a";
    std::string written;
    for (int i = 0; i < 127; ++i) {
        written = longText;
        longText += "中";
    }
    json file = PointFile("00010");
    file.erase("fields");
    for (json& record : file["records"]) {
        record.erase("attributes");
    }
    file["records"][1].erase("text");
    file["records"][2]["text"] = longText;
    const auto source = Source("towns.wt", file.dump());
    m_options.SplitAnnotations = 1;
    EXPECT_EQ(m_engine.ConvertPoint2Shp(source, m_out, 0), 0);
    // The text is cut before the character that would not fit whole, without a line.
    EXPECT_EQ(LogLines(), (std::vector<std::string>{StartLine(source),
                                                    "------结束转换【全部正确转换(5/5)】------"}));
    const json annotations = ReadWithGdal(m_out / "towns_ANN.shp");
    ASSERT_EQ(annotations["features"].size(), 4u);
    const json texts = {"注记0", nullptr, written, "注记4"};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(annotations["features"][i]["properties"], json({{"注释文字", texts[i]}})) << i;
    }
    const json main = ReadWithGdal(m_out / "towns.shp");
    ASSERT_EQ(main["features"].size(), 1u);
    EXPECT_EQ(main["features"][0]["properties"], json({{"FID", 0}}));
}

TEST_F(ConvertPoint, CreationFailureAndProgressOverBothOutputs)
{
    m_options.SplitAnnotations = 1;
    const auto source = Source("towns.wt", PointFile("0101").dump());
    // The outputs cannot be made: nothing of the run is left, the .prj included.
    EXPECT_EQ(m_engine.ConvertPoint2Shp(source, m_out / "missing", 0), 4);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{StartLine(source),
                                                    "------E__无法创建输出文件【" +
                                                        (m_out / "missing" / "towns.shp").string() +
                                                        "】：没有那个文件或目录"}));
    EXPECT_TRUE(OutputFiles().empty());

    Reset();
    std::vector<int> positions;
    m_engine.SetProgressCallback([&](int position) { positions.push_back(position); });
    EXPECT_EQ(m_engine.ConvertPoint2Shp(source, m_out, 1), 0);
    EXPECT_EQ(positions, (std::vector<int>{25, 50, 75, 100}));
}

TEST_F(ConvertPoint, SampleTowns)
{
    for (const int options : {0, 1}) {
        SCOPED_TRACE(options);
        Reset();
        m_options = {options, 1, options, 1};
        const double scale = options == 1 ? 1000.0 : 1.0;
        json towns = LoadSampleJson("towns.json");
        towns["projection"]["scale"] = scale;
        const auto source = Source("towns.wt", towns.dump());
        EXPECT_EQ(m_engine.ConvertPoint2Shp(source, m_out, 1), 0);
        std::vector<std::string> lines = {StartLine(source)};
        if (options == 1) {
            lines.push_back("------I__增加图示表达信息字段");
        }
        lines.push_back("------结束转换【全部正确转换(10/10)】------");
        EXPECT_EQ(LogLines(), lines);

        const json main = ReadWithGdal(m_out / "towns.shp");
        const json annotations =
            options == 1 ? ReadWithGdal(m_out / "towns_ANN.shp") : json{{"features", {}}};
        std::size_t m = 0;
        std::size_t a = 0;
        for (const json& record : towns["records"]) {
            const json& style = record["style"];
            const bool annotation = options == 1 && style["kind"] == 0;
            const json& features = annotation ? annotations["features"] : main["features"];
            const std::size_t i = annotation ? a++ : m++;
            ASSERT_LT(i, features.size());
            const json& feature = features[i];
            EXPECT_EQ(feature["geometry"]["coordinates"],
                      json({record["geometry"][0].get<double>() * scale,
                            record["geometry"][1].get<double>() * scale}));
            const json& properties = feature["properties"];
            ExpectAttributes(properties, towns["fields"], record["attributes"]);
            if (annotation) {
                EXPECT_EQ(properties["注释文字"], record["text"]);
            }
            EXPECT_EQ(properties.size(), 6u + (annotation ? 12u : options * 7u));
        }
        EXPECT_EQ(m, main["features"].size());
        EXPECT_EQ(a, annotations["features"].size());
    }
}

}  // namespace
}  // namespace CalvornTest
