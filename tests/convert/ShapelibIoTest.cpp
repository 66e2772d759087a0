// The buffered file layer under shapelib: every operation answers as shapelib's own stdio hooks
// do, every conversion writes the same bytes as with them and as on two threads, and failures
// on the way to the disk reach the caller with shapelib's words.
#include "convert/ShapelibIo.h"

#include <shapefil.h>

#include <bit>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <span>

#include "convert/DbfFile.h"
#include "convert/DbfNumber.h"
#include "convert/OutputError.h"
#include "convert/RecordLoop.h"
#include "convert/ShapeFile.h"
#include "convert/SourceKinds.h"
#include "convert/StopSignal.h"
#include "tests/convert/ConvertTestSupport.h"
#include "torvex/builder/TorvexBuilder.h"

namespace CalvornTest {
namespace {

using Calvorn::ShapelibIoMode;

// Runs the same random mix of writes (some larger than the buffer), seeks (back into written
// bytes, past the end), reads and tells through both hook sets and compares every answer.
void RunSameOperations(std::uint32_t seed, const std::filesystem::path& dir)
{
    SAHooks buffered = Calvorn::ShapelibHooks();
    SAHooks plain;
    SASetupDefaultHooks(&plain);
    const std::string a = (dir / "buffered.bin").string();
    const std::string b = (dir / "plain.bin").string();
    SAFile fa = buffered.FOpen(a.c_str(), "w+b");
    SAFile fb = plain.FOpen(b.c_str(), "w+b");
    ASSERT_TRUE(fa != nullptr && fb != nullptr);

    std::mt19937 random(seed);
    const auto below = [&random](std::size_t n) { return random() % n; };
    std::vector<unsigned char> bytes(700 * 1024);
    for (auto& byte : bytes) {
        byte = static_cast<unsigned char>(random());
    }
    std::size_t size = 0;  // what has been written so far, as far as the test knows
    for (int step = 0; step < 400; ++step) {
        const std::size_t op = below(6);
        const std::string what = "seed " + std::to_string(seed) + " step " + std::to_string(step) +
                                 " operation " + std::to_string(op);
        switch (op) {
            case 0:
            case 1: {
                // Mostly record-sized writes, now and then one across several buffers.
                const std::size_t length = below(10) == 0 ? below(bytes.size()) : below(200) + 1;
                const std::size_t from = below(bytes.size() - length + 1);
                EXPECT_EQ(buffered.FWrite(bytes.data() + from, 1, length, fa),
                          plain.FWrite(bytes.data() + from, 1, length, fb))
                    << what;
                size = std::max<std::size_t>(size, plain.FTell(fb));
                break;
            }
            case 2: {
                // Back a little (the end-of-file byte a .dbf row overwrites), anywhere, or past
                // the end (the gap reads as zeros).
                const std::size_t here = plain.FTell(fb);
                const std::size_t to = below(3) == 0   ? here - std::min<std::size_t>(here, 1)
                                       : below(2) == 0 ? below(size + 1)
                                                       : size + below(1000);
                EXPECT_EQ(buffered.FSeek(fa, to, SEEK_SET), plain.FSeek(fb, to, SEEK_SET)) << what;
                break;
            }
            case 3: {
                EXPECT_EQ(buffered.FSeek(fa, 0, SEEK_END), plain.FSeek(fb, 0, SEEK_END)) << what;
                break;
            }
            case 4: {
                const std::size_t length = below(3) == 0 ? below(300 * 1024) : below(64) + 1;
                const std::size_t unit = below(2) == 0 ? 1 : 8;
                std::vector<unsigned char> ra(length + 8, 0xAA);
                std::vector<unsigned char> rb(length + 8, 0xAA);
                // stdio wants a seek between a write and a read; shapelib always makes one.
                const SAOffset at = plain.FTell(fb);
                buffered.FSeek(fa, at, SEEK_SET);
                plain.FSeek(fb, at, SEEK_SET);
                EXPECT_EQ(buffered.FRead(ra.data(), unit, length / unit, fa),
                          plain.FRead(rb.data(), unit, length / unit, fb))
                    << what;
                EXPECT_EQ(ra, rb) << what;
                // And one between a read and a write.
                const SAOffset here = plain.FTell(fb);
                buffered.FSeek(fa, here, SEEK_SET);
                plain.FSeek(fb, here, SEEK_SET);
                break;
            }
            default:
                EXPECT_EQ(buffered.FFlush(fa), plain.FFlush(fb)) << what;
                break;
        }
        ASSERT_EQ(buffered.FTell(fa), plain.FTell(fb)) << what;
    }
    EXPECT_EQ(buffered.FClose(fa), 0);
    EXPECT_EQ(plain.FClose(fb), 0);
    ASSERT_EQ(ReadFile(a), ReadFile(b)) << "seed " << seed;
}

TEST(ShapelibIo, BufferedHooksAnswerLikeShapelibsOwn)
{
    TempDir dir;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        RunSameOperations(seed, dir.Path());
    }
}

TEST(ShapelibIo, ReopenedFileIsReadAndPatchedInPlace)
{
    TempDir dir;
    const std::string path = (dir / "a.bin").string();
    std::string content(600 * 1024, 'x');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>('a' + i % 26);
    }
    WriteFile(path, content);
    SAHooks hooks = Calvorn::ShapelibHooks();
    SAFile file = hooks.FOpen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    // A header read and rewritten, as DBFClose does, then a patch in the middle and one at
    // the end; the rest of the file must stay as it was.
    char header[32];
    ASSERT_EQ(hooks.FRead(header, 32, 1, file), 1u);
    EXPECT_EQ(std::string(header, 32), content.substr(0, 32));
    EXPECT_EQ(hooks.FSeek(file, 0, SEEK_SET), 0u);
    EXPECT_EQ(hooks.FWrite(const_cast<char*>("HEAD"), 4, 1, file), 1u);
    EXPECT_EQ(hooks.FSeek(file, 300000, SEEK_SET), 0u);
    EXPECT_EQ(hooks.FWrite(const_cast<char*>("MID"), 3, 1, file), 1u);
    EXPECT_EQ(hooks.FSeek(file, 0, SEEK_END), 0u);
    EXPECT_EQ(hooks.FTell(file), content.size());
    EXPECT_EQ(hooks.FWrite(const_cast<char*>("END"), 3, 1, file), 1u);
    char middle[5] = {};
    EXPECT_EQ(hooks.FSeek(file, 299999, SEEK_SET), 0u);
    EXPECT_EQ(hooks.FRead(middle, 1, 5, file), 5u);
    EXPECT_EQ(hooks.FClose(file), 0);
    content.replace(0, 4, "HEAD");
    content.replace(300000, 3, "MID");
    EXPECT_EQ(std::string(middle, 5), content.substr(299999, 5));
    EXPECT_EQ(ReadFile(path), content + "END");
    EXPECT_EQ(hooks.FOpen((dir / "missing" / "b.bin").string().c_str(), "r+b"), nullptr);
}

// Every number rendering is printf's "%*.*f" in the C locale (the test process's), or nothing
// when that does not fit the width.
TEST(ShapelibIo, NumbersRenderAsPrintfDoes)
{
    std::mt19937_64 random(7);
    std::vector<double> values = {0.0,   -0.0,    0.5,     1.5,    2.5,     -2.5,   0.125, 0.375,
                                  1.005, 2.675,   -1.005,  1e-300, -1e-300, 1e15,   1e16,  4.5e15,
                                  0.05,  -0.0005, 123.455, 1e300,  9.995,   99.995, 1e22,  -1e23};
    for (int i = 0; i < 20000; ++i) {
        // Any bit pattern of a finite double, and decimal-looking numbers near rounding ties.
        const double any = std::bit_cast<double>(random());
        if (std::isfinite(any)) {
            values.push_back(any);
        }
        const double scale = std::pow(10.0, static_cast<int>(random() % 12));
        values.push_back((static_cast<double>(random() % 2000000) - 1000000 + 0.5) / scale);
        values.push_back(static_cast<double>(static_cast<std::int64_t>(random() >> 20)) / scale);
    }
    const std::pair<int, int> layouts[] = {{10, 0},  {11, 0}, {16, 4}, {8, 3},   {19, 11},
                                           {24, 15}, {4, 0},  {40, 2}, {33, 16}, {6, 5}};
    int checked = 0;
    for (const double value : values) {
        for (const auto& [width, decimals] : layouts) {
            char expected[512];
            const int length =
                std::snprintf(expected, sizeof expected, "%*.*f", width, decimals, value);
            char rendered[Calvorn::kDbfMaxFieldWidth];
            const bool fits = Calvorn::RenderDbfNumber(value, width, decimals, rendered);
            ASSERT_EQ(fits, length <= width) << expected;
            if (fits) {
                ASSERT_EQ(std::string_view(rendered, static_cast<std::size_t>(width)), expected);
                ++checked;
            }
            // Integers take a way of their own.
            const double whole = std::trunc(value);
            if (std::fabs(whole) < 0x1p53) {
                char integer[Calvorn::kDbfMaxFieldWidth];
                const auto asInteger = static_cast<std::int64_t>(whole);
                std::snprintf(expected, sizeof expected, "%*.*f", width, decimals,
                              static_cast<double>(asInteger));
                Calvorn::DbfNumberParts parts{};
                const bool integerFits =
                    Calvorn::SplitDbfInteger(asInteger, width, decimals, parts) ==
                    Calvorn::DbfNumberFit::Fits;
                ASSERT_EQ(integerFits, std::strlen(expected) <= static_cast<std::size_t>(width))
                    << expected;
                if (integerFits) {
                    Calvorn::PutDbfNumber(parts, width, decimals, integer);
                }
                if (std::strlen(expected) <= static_cast<std::size_t>(width)) {
                    ASSERT_EQ(std::string_view(integer, static_cast<std::size_t>(width)), expected);
                }
            }
        }
    }
    EXPECT_GT(checked, 100000);
}

// Sources big enough that every output spans several buffers and the record loop many batches,
// of every kind, with deleted and damaged slots, annotations, graphic parameters, numbers that
// do not fit and polygons without a usable ring: the record lines of both sides.
std::filesystem::path BigSource(Torvex::FileKind kind, int records, const std::filesystem::path& at)
{
    Torvex::TorvexBuilder builder(kind);
    builder.AddField({"编号", 3, 10, 0});
    builder.AddField({"VALUE", 5, 16, 4});
    builder.AddField({"NAME", 0, 30, 0});
    builder.AddField({"DATE", 6, 10, 0});
    builder.AddField({"CODE", 2, 3, 0});
    std::mt19937 random(static_cast<std::uint32_t>(kind));
    for (int i = 0; i < records; ++i) {
        Torvex::RecordSpec record;
        record.deleted = i % 97 == 5;
        record.damaged = i % 89 == 7;
        const double x = 500000 + random() % 100000;
        const double y = 3000000 + random() % 100000;
        if (kind == Torvex::FileKind::Point) {
            record.parts = {{{x, y}}};
            record.info.assign(sizeof(Torvex::TORVEX_PntInfo), 0);
            record.info[31] = static_cast<std::uint8_t>(i % 3 == 0 ? 0 : 1);  // kind
            record.info[40] = static_cast<std::uint8_t>(i);
            if (i % 3 == 0) {
                record.text = "\xD7\xA2\xCA\xCD " + std::to_string(i);  // "注释 i" in GBK
            }
        } else if (kind != Torvex::FileKind::Table) {
            std::vector<Torvex::Vertex> ring;
            for (int k = 0; k < 12; ++k) {
                const double angle = -k * 0.5;
                ring.push_back({x + 50 * std::cos(angle), y + 50 * std::sin(angle)});
            }
            if (kind == Torvex::FileKind::Polygon && i % 2 == 0) {
                ring.push_back(ring.front());
            }
            if (kind == Torvex::FileKind::Polygon && i % 101 == 3) {
                ring = {{x, y}, {x + 1, y}, {x + 2, y}, {x, y}};
            }
            record.parts = {ring};
            record.info.assign(kind == Torvex::FileKind::Line ? 49 : 32, 0);
            record.info[30] = static_cast<std::uint8_t>(i);
        }
        record.attributes = {std::int64_t{i}, (static_cast<int>(random() % 2000000) - 1e6) / 1e4,
                             std::string(1 + i % 29, static_cast<char>('A' + i % 26)),
                             Torvex::DateValue{static_cast<std::int16_t>(1990 + i % 30),
                                               static_cast<std::int8_t>(1 + i % 12),
                                               static_cast<std::int8_t>(1 + i % 28)},
                             std::int64_t{i * 7 % 1003}};
        builder.AddRecord(std::move(record));
    }
    builder.WriteTo(at);
    return at;
}

// The ways a conversion can go that must not change a byte of the files or of the log:
// shapelib's own hooks instead of the buffered ones, and the record loop on two threads.
struct Way {
    const char* name;
    ShapelibIoMode io;
    Calvorn::RecordThreads threads;
};
constexpr Way kWays[] = {{"one thread", ShapelibIoMode::Buffered, Calvorn::RecordThreads::One},
                         {"shapelib's hooks", ShapelibIoMode::Plain, Calvorn::RecordThreads::One},
                         {"two threads", ShapelibIoMode::Buffered, Calvorn::RecordThreads::Two}};

class ByteIdentity : public ConversionTest {
protected:
    void TearDown() override { Calvorn::ClearStopSignal(); }

    Calvorn::ConversionEngine::ProgressCallback m_progress;  // for the engines of ConvertWith

    struct Result {
        int outcome = 0;
        std::map<std::string, std::string> files;  // the .dbf header's date blanked
        std::vector<std::string> log;
    };

    // Converts `source` the given way into the empty output folder and takes what it left.
    Result ConvertWith(const Way& way, const std::filesystem::path& source,
                       const Calvorn::ShapelibLimits& limits = {})
    {
        const std::size_t logged = LogLines().size();
        Result result;
        Calvorn::ConversionEngine engine = EngineWith({limits, way.io, {}}, way.threads);
        engine.SetProgressCallback(m_progress);
        result.outcome = engine.Convert(*Calvorn::KindOfPath(source), source, m_out, 1);
        for (const auto& entry : std::filesystem::directory_iterator(m_out)) {
            std::string bytes = ReadFile(entry.path());
            // The header's last-update date may differ between two runs.
            if (entry.path().extension() == ".dbf" && bytes.size() > 4) {
                bytes.replace(1, 3, "   ");
            }
            result.files[entry.path().filename().string()] = std::move(bytes);
        }
        const std::vector<std::string> lines = LogLines();
        result.log.assign(lines.begin() + static_cast<std::ptrdiff_t>(logged), lines.end());
        std::filesystem::remove_all(m_out);
        std::filesystem::create_directories(m_out);
        return result;
    }
};

TEST_F(ByteIdentity, EveryWayWritesTheSameFilesAndLog)
{
    struct Case {
        std::filesystem::path source;
        Calvorn::ConversionOptions options;
        Calvorn::ShapelibLimits limits;
    };
    Calvorn::ConversionOptions everything;
    everything.SplitAnnotations = 1;
    everything.StyleAsAttributes = 1;
    everything.DeleteEmptyResults = 0;
    const std::filesystem::path in = m_dir / "big";
    std::filesystem::create_directories(in);
    std::vector<Case> cases;
    for (const char* sample : {"roads.json", "towns.json", "lakes.json", "parcels.json"}) {
        const std::string name = std::filesystem::path(sample).stem().string();
        const char* extension = name == "roads"   ? ".wl"
                                : name == "towns" ? ".wt"
                                : name == "lakes" ? ".wp"
                                                  : ".wb";
        const auto source = Source(name + extension, LoadSampleJson(sample).dump());
        cases.push_back({source, {}, {}});
        cases.push_back({source, everything, {}});
    }
    const auto points = BigSource(Torvex::FileKind::Point, 20000, in / "p.wt");
    const auto lines = BigSource(Torvex::FileKind::Line, 6000, in / "l.wl");
    for (const Calvorn::ConversionOptions& options : {Calvorn::ConversionOptions{}, everything}) {
        cases.push_back({points, options, {}});
        cases.push_back({lines, options, {}});
        cases.push_back({BigSource(Torvex::FileKind::Polygon, 5000, in / "a.wp"), options, {}});
        cases.push_back({BigSource(Torvex::FileKind::Table, 20000, in / "t.wb"), options, {}});
    }
    // The writing side's own lines among the records' (a component passing the warning size),
    // and a file ended half-way by the size limit.
    cases.push_back({points, everything, {100000, 0xFFFFFFFFu}});
    cases.push_back({lines, {}, {200000, 400000}});
    int compared = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        m_options = cases[i].options;
        const Result first = ConvertWith(kWays[0], cases[i].source, cases[i].limits);
        EXPECT_FALSE(first.files.empty());
        for (const Way& way : std::span(kWays).subspan(1)) {
            const std::string label =
                "case " + std::to_string(i) + " " + cases[i].source.string() + ", " + way.name;
            const Result other = ConvertWith(way, cases[i].source, cases[i].limits);
            EXPECT_EQ(other.outcome, first.outcome) << label;
            EXPECT_EQ(other.log, first.log) << label;
            EXPECT_EQ(other.files.size(), first.files.size()) << label;
            for (const auto& [name, bytes] : first.files) {
                const auto found = other.files.find(name);
                EXPECT_TRUE(found != other.files.end() && found->second == bytes)
                    << label << ": " << name << " differs";
                ++compared;
            }
        }
    }
    EXPECT_GE(compared, 100);
}

// A signal in the middle of a file stops both sides of the record loop: nothing of the file is
// kept, and its log ends with the abort line.
TEST_F(ByteIdentity, SignalStopsEitherWay)
{
    const auto source = BigSource(Torvex::FileKind::Line, 20000, m_dir / "l.wl");
    m_progress = [](int position) {
        if (position == 40) {
            Calvorn::RequestStopBySignal(SIGINT);
        }
    };
    for (const Way& way : kWays) {
        SCOPED_TRACE(way.name);
        const Result result = ConvertWith(way, source);
        Calvorn::ClearStopSignal();
        EXPECT_EQ(result.outcome, Calvorn::kOutcomeStopped);
        EXPECT_TRUE(result.files.empty());
        ASSERT_FALSE(result.log.empty());
        EXPECT_EQ(result.log.back(), "------E__转换中止：收到信号SIGINT");
    }
}

TEST(ShapelibIo, ShapelibsOwnMessagesReachTheError)
{
    TempDir dir;
    Calvorn::ShapeFile shp;
    try {
        shp.Create(dir / "missing" / "a.shp", SHPT_POINT);
        ADD_FAILURE() << "created a file in a missing folder";
    } catch (const Calvorn::OutputError& e) {
        // shapelib's own words, which it would otherwise print on standard error.
        EXPECT_NE(std::string(e.what()).find("Failed to create file"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(Calvorn::TakeShapelibMessages(), "");
}

// A disk that fills up: the buffered bytes fail on their way out, at the latest when the file
// is closed, and the close reports it instead of leaving a short file unnoticed.
TEST(ShapelibIo, WriteFailureIsReportedAtClose)
{
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    TempDir dir;
    std::filesystem::create_symlink("/dev/full", dir / "full.dbf");
    Calvorn::DbfFile dbf;
    bool reported = false;
    try {
        dbf.Create(dir / "full.dbf");
        dbf.AddField("A", Calvorn::DbfFieldType::Integer, 10, 0);
        const std::string row(11, ' ');
        for (int i = 0; i < 10; ++i) {
            dbf.AppendRow(row.data());
        }
        dbf.Close();
    } catch (const Calvorn::OutputError& e) {
        reported = true;
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos) << e.what();
    }
    EXPECT_TRUE(reported);
    EXPECT_FALSE(dbf.IsOpen());
}

}  // namespace
}  // namespace CalvornTest
