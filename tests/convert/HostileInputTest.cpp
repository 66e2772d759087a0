// Hostile sources a case file cannot hold: a name that runs to the end of its region, and a
// source cut by another program while it is converted. (Counts claiming more than the file
// holds are cases in tests/cases/hostile.)
#include "tests/convert/ConvertTestSupport.h"
#include "torvex/builder/TorvexBuilder.h"

namespace CalvornTest {
namespace {

using nlohmann::json;
using Lines = std::vector<std::string>;

class HostileInput : public ConversionTest {};

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
