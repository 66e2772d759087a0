// The engine's small parts: the date and time texts, the sharing of the cores; and what only a
// run in process shows: the progress callback, an exception thrown from it, a source cut by
// another program while converted, a field name as long as the file allows (which no case file
// holds).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "convert/AttributeTransfer.h"
#include "convert/ConversionEngine.h"
#include "convert/ConversionRun.h"
#include "convert/CoreShare.h"
#include "convert/SourceKinds.h"
#include "tests/convert/ConvertTestSupport.h"
#include "torvex/builder/TorvexBuilder.h"

namespace CalvornTest {
namespace {

using nlohmann::json;
using Lines = std::vector<std::string>;

TEST(ConversionEngine, DateAndTimeTexts)
{
    const struct {
        int year, month, day;
        const char* text;
    } dates[] = {{2010, 5, 7, "2010-05-07"}, {0, 0, 0, ""},
                 {0, 3, 0, "0000-03-00"},    {-5, -1, 0, ""},
                 {0, 0, 9, "0000-00-09"},    {2010, -1, 0, "2010--1-00"}};
    char text[Calvorn::kDateTimeTextSize];
    for (const auto& d : dates) {
        EXPECT_EQ(Calvorn::DateText(d.year, d.month, d.day, text), d.text) << d.text;
    }
    EXPECT_EQ(Calvorn::TimeText(8, 5, 3.5, text), "08:05:3.50");
    // printf in the C locale (the test process's) is the reference.
    const struct {
        int hour, minute;
        double seconds;
    } times[] = {{8, 5, 3.5}, {0, 0, 0.25},         {23, 59, 59.999},  {1, 0, 12.5},  {1, 0, -0.5},
                 {0, 1, 0.0}, {1, 0, std::nan("")}, {1, 0, -INFINITY}, {-1, 0, 1e300}};
    for (const auto& t : times) {
        char expected[512];
        std::snprintf(expected, sizeof expected, "%02d:%02d:%04.2f", t.hour, t.minute, t.seconds);
        EXPECT_EQ(Calvorn::TimeText(t.hour, t.minute, t.seconds, text), expected) << expected;
    }
    EXPECT_EQ(Calvorn::TimeText(0, 0, 0.0, text), "");
    EXPECT_EQ(Calvorn::TimeText(0, -3, std::nan(""), text), "");
}

// Reading threads take only cores no busy thread has: however many threads convert, no more
// are busy than there are cores.
TEST(ConversionEngine, SpareCoresOnlyUpToTheCores)
{
    const Calvorn::BusyThread busy;
    const Calvorn::BusyThread again;  // a thread counts once
    int taken = 0;
    while (taken < Calvorn::CoreCount() && Calvorn::TryTakeSpareCore()) {
        ++taken;
    }
    EXPECT_EQ(taken, Calvorn::CoreCount() - 1);
    std::thread([] {
        const Calvorn::BusyThread other;
        EXPECT_FALSE(Calvorn::TryTakeSpareCore());
    }).join();
    for (; taken > 0; --taken) {
        Calvorn::GiveBackCore();
    }
    const bool spare = Calvorn::TryTakeSpareCore();
    EXPECT_EQ(spare, Calvorn::CoreCount() > 1);
    if (spare) {
        Calvorn::GiveBackCore();
    }
}

// A line file of two-vertex lines with the integer field "编号" holding each record's slot.
// `slots`: 'L' live, 'D' deleted, 'X' damaged; for a point file '0' an annotation, '1' a point.
std::string SourceFile(const char* kind, const std::string& slots)
{
    nlohmann::json file = {{"kind", kind},
                           {"fields", {{{"name", "编号"}, {"type", 3}, {"width", 6}}}},
                           {"records", nlohmann::json::array()}};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const double x = static_cast<double>(i);
        nlohmann::json record = {
            {"attributes", {i}}, {"deleted", slots[i] == 'D'}, {"damaged", slots[i] == 'X'}};
        if (std::string(kind) == "point") {
            record["geometry"] = {x, x};
            record["style"] = {{"kind", slots[i] - '0'}};
        } else {
            record["geometry"] = {{{x, 2 * x}, {x + 1.5, 2 * x + 0.25}}};
        }
        file["records"].push_back(record);
    }
    return file.dump();
}

using EngineRun = ConversionTest;

// Positions reach the callback only with the flag set, once each, over both outputs of a split
// point file too; without a callback the flag is harmless.
TEST_F(EngineRun, ProgressPositions)
{
    std::vector<int> every;
    for (int i = 0; i <= 100; ++i) {
        every.push_back(i);
    }
    const struct {
        const char* name;
        std::string source;
        int flag;
        int outcome;
        std::vector<int> positions;
    } cases[] = {
        {"roads.wl", SourceFile("line", "LDLXL"), 0, 4, {}},
        {"roads.wl", SourceFile("line", "LDLXL"), 1, 4, {25, 50, 75}},
        {"long.wl", SourceFile("line", std::string(250, 'L')), 1, 0, every},
        {"towns.wt", SourceFile("point", "0101"), 1, 0, {25, 50, 75, 100}},
    };
    m_options.SplitAnnotations = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + std::to_string(c.flag));
        Reset();
        std::vector<int> positions;
        m_engine.SetProgressCallback([&](int position) { positions.push_back(position); });
        const auto source = Source(c.name, c.source);
        EXPECT_EQ(m_engine.Convert(*Calvorn::KindOfPath(source), source, m_out, c.flag), c.outcome);
        EXPECT_EQ(positions, c.positions);
    }
    Reset();
    m_engine.SetProgressCallback(nullptr);
    EXPECT_EQ(m_engine.ConvertArc2Shp(Source("roads.wl", SourceFile("line", "LL")), m_out, 1), 0);
}

// An exception from the callback (a closed progress window) ends the run with outcome 4; the
// records written before it stay, in outputs readers take whole.
TEST_F(EngineRun, ExceptionFromTheCallbackKeepsTheRecordsWritten)
{
    const std::pair<const char*, std::string> cases[] = {
        {"roads.wl", SourceFile("line", "LLLL")},
        {"parcels.wb", R"({"kind": "table", "records": [{}, {}, {}]})"},
    };
    for (const auto& [name, json] : cases) {
        SCOPED_TRACE(name);
        Reset();
        const auto source = Source(name, json);
        int calls = 0;
        m_engine.SetProgressCallback([&](int) {
            if (++calls == 2) {
                throw std::runtime_error("进度条已关闭");
            }
        });
        EXPECT_EQ(m_engine.Convert(*Calvorn::KindOfPath(source), source, m_out, 1), 4);
        EXPECT_EQ(LogLines(), (std::vector<std::string>{"开始转换【" + source.string() + "】------",
                                                        "------E__转换中止：进度条已关闭"}));
        const std::filesystem::path base = m_out / source.stem();
        const bool shapes = source.extension() == ".wl";
        const nlohmann::json read =
            ReadWithGdal(std::filesystem::path(base) += shapes ? ".shp" : ".dbf");
        EXPECT_EQ(read["features"].size(), 2u);
        if (shapes) {
            EXPECT_EQ(ReadShp(std::filesystem::path(base) += ".shp").indexCount, 2);
        }
    }
}

// A field name as long as its length prefix allows, the last bytes of the field table, and a
// table holding only that: the name is cut to a dBASE name and the rows come through.
TEST_F(EngineRun, NamesRunningToTheEndOfTheirTable)
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
TEST_F(EngineRun, SourceCutWhileConverted)
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
