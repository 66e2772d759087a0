// Source files whose counts and names are hostile: claims of billions of rows, records or
// fields, and names that run to the end of their region. Each gets a clear outcome, in time
// and memory bounded by the file's size.
#include "tests/convert/ConvertTestSupport.h"
#include "torvex/TorvexBuilder.h"

namespace CalvornTest {
namespace {

using nlohmann::json;
using Lines = std::vector<std::string>;

std::string U16(std::uint16_t value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string U32(std::uint32_t value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// Header offsets (torvex/FORMAT.md).
constexpr std::size_t kFieldCount = 8;
constexpr std::size_t kSlotCount = 16;

class HostileInput : public ConversionTest {};

TEST_F(HostileInput, CountsClaimingMoreThanTheFileHolds)
{
    const std::string table = R"({"kind": "table", "fields": [{"name": "N", "type": 3, "width": 4}],
        "records": [{"attributes": [1]}, {"attributes": [2]}, {"attributes": [3]}]})";
    // With a projection, so that a .prj made before the failure would show.
    const std::string line = R"({"kind": "line", "fields": [{"name": "N", "type": 3, "width": 4}],
        "projection": {"kind": 3, "type": 5},
        "records": [{"geometry": [[[0, 0], [1, 1]]], "attributes": [1]}]})";
    const auto withCount = [](const std::string& description, std::uint32_t count) {
        json file = json::parse(description);
        file["attribute_record_count"] = count;
        return file.dump();
    };
    const struct {
        const char* what;
        std::string name, description;
        std::size_t patchAt;  // 0: no patch
        std::string patch;
        int outcome;
        Lines lines;  // after the start line
        std::vector<std::string> files;
    } cases[] = {
        // The rows are those stored; the claim is reported, not turned into blank rows (a
        // claim of billions works the same, but would fill the disk if this broke).
        {"table claiming a million rows",
         "t.wb",
         withCount(table, 1000001),
         0,
         "",
         0,
         {"------W__文件声明【1000000】条记录，实际存储【3】条，按实际存储的记录转换",
          "------结束转换【全部正确转换(3/3)】------"},
         {"t.dbf"}},
        {"table claiming no row",
         "t.wb",
         withCount(table, 1),
         0,
         "",
         0,
         {"------W__文件声明【0】条记录，实际存储【3】条，按实际存储的记录转换",
          "------结束转换【全部正确转换(3/3)】------"},
         {"t.dbf"}},
        {"line file claiming billions of attribute records",
         "l.wl",
         withCount(line, 3000000000u),
         0,
         "",
         2,
         {"------结束转换【文件图形记录与属性记录不匹配】------"},
         {}},
        {"slot count of 2147483647",
         "l.wl",
         line,
         kSlotCount,
         U32(0x7FFFFFFFu),
         1,
         {"------结束转换【文件读取失败】------"},
         {}},
        {"slot count of 4294967295",
         "t.wb",
         table,
         kSlotCount,
         U32(0xFFFFFFFFu),
         1,
         {"------结束转换【文件读取失败】------"},
         {}},
        {"65535 fields",
         "l.wl",
         line,
         kFieldCount,
         U16(0xFFFF),
         1,
         {"------结束转换【属性字段定义错误】------"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        const auto source = Source(c.name, c.description);
        if (c.patchAt != 0) {
            PatchFile(source, c.patchAt, c.patch);
        }
        EXPECT_EQ(m_engine.Convert(Calvorn::KindOfPath(source), source, m_out, 0), c.outcome);
        Lines expected = {"开始转换【" + source.string() + "】------"};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(LogLines(), expected);
        EXPECT_EQ(OutputFiles(), c.files);
        if (!c.files.empty()) {
            EXPECT_EQ(ReadDbf(m_out / "t.dbf").rows.size(), 3u);
        }
    }
}

// A field name as long as its length prefix allows, the last bytes of the field table, and a
// table holding only that: the name is cut to a dBASE name and the rows come through.
TEST_F(HostileInput, NamesRunningToTheEndOfTheirTable)
{
    const std::string name(65535, 'x');
    json file = {{"kind", "table"},
                 {"fields", {{{"name", name}, {"type", 3}, {"width", 4}}}},
                 {"records", {{{"attributes", {7}}}}}};
    const auto source = Source("long.wb", file.dump());
    EXPECT_EQ(m_engine.ConvertWB2DBF(source, m_out, 0), 0);
    const Lines lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "------W__【" + name + "】字段名改为【xxxxxxxxxx】");
    const DbfContent dbf = ReadDbf(m_out / "long.dbf");
    EXPECT_EQ(dbf.fields, (std::vector<DbfField>{{"xxxxxxxxxx", 'N', 4, 0}}));
    EXPECT_EQ(dbf.rows, (std::vector<std::vector<std::optional<std::string>>>{{"7"}}));
}

// Another program cuts the source while it is converted: the records read so far are kept, whole,
// and the run ends with outcome 4 instead of the process dying (the source is never mapped).
TEST_F(HostileInput, SourceCutWhileConverted)
{
    for (const Torvex::FileKind kind : {Torvex::FileKind::Line, Torvex::FileKind::Table}) {
        SCOPED_TRACE(Torvex::FileKindName(kind));
        Reset();
        // Larger than the reader's window, so that the cut is met before the end.
        const bool table = kind == Torvex::FileKind::Table;
        const auto source = m_dir / "in" / (table ? "cut.wb" : "cut.wl");
        Torvex::TorvexBuilder builder(kind);
        builder.AddField({"NAME", 0, 40, 0});
        for (int i = 0; i < 30000; ++i) {
            Torvex::RecordSpec record;
            if (!table) {
                record.parts = {{{0.0, 0.0}, {1.0, 1.0 * i}}};
            }
            record.attributes = {std::string(36, 'r')};
            builder.AddRecord(record);
        }
        builder.WriteTo(source);
        bool cut = false;
        m_engine.SetProgressCallback([&](int position) {
            if (position >= 50 && !cut) {
                std::filesystem::resize_file(source, std::filesystem::file_size(source) / 3);
                cut = true;
            }
        });
        const int outcome = table ? m_engine.ConvertWB2DBF(source, m_out, 1)
                                  : m_engine.ConvertArc2Shp(source, m_out, 1);
        EXPECT_EQ(outcome, 4);
        EXPECT_EQ(LogLines().back(), "------E__转换中止：源文件在转换中被截断");
        const std::size_t rows = ReadDbf(m_out / "cut.dbf").rows.size();
        EXPECT_GE(rows, 15000u);
        EXPECT_LT(rows, 30000u);
        if (!table) {
            EXPECT_EQ(ReadShp(m_out / "cut.shp").shapes.size(), rows);
        }
    }
}

}  // namespace
}  // namespace CalvornTest
