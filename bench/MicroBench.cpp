// calvorn-micro-bench: the costs a conversion is made of, one by one, so that a slower run
// shows where it comes from.
//
//   BM_SlotRead/<kind>      one record slot read as the converters read it: its record, its
//                           shape into growing arrays and its six values in place
//   BM_Crc32/<way>          the check value of a point's slot (0 tables, 1 the processor's way)
//   BM_DbfRowWrite/<layer>  one .dbf row of the benchmark's six fields rendered and written (0
//                           buffered, 1 plain)
//   BM_DbfNumber/<decimals> one number rendered for a numeric field (16.4, 24.15)
//   BM_Convert/<progress>   a whole point file converted on one thread, without (0) and with (1)
//                           a progress callback
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CConvertLog.h"
#include "app/ConversionOptions.h"
#include "app/NameTables.h"
#include "bench/BenchDataset.h"
#include "convert/ConversionEngine.h"
#include "convert/DbfFile.h"
#include "convert/DbfNumber.h"
#include "convert/DbfRow.h"
#include "convert/RecordLoop.h"
#include "convert/ShapelibIo.h"
#include "torvex/Crc32.h"
#include "torvex/Gbk.h"
#include "torvex/Torvex_Writer.h"

namespace {

namespace fs = std::filesystem;

// A folder of the process's own, removed at exit.
const fs::path& Folder()
{
    static const fs::path folder = [] {
        fs::path path =
            fs::temp_directory_path() / ("calvorn-micro-bench-" + std::to_string(::getpid()));
        fs::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(Folder(), ignored);
        });
        return path;
    }();
    return folder;
}

// The benchmark dataset of `kind` with `count` features, made once.
fs::path Dataset(Torvex::FileKind kind, int count)
{
    const char* extension = kind == Torvex::FileKind::Point  ? ".wt"
                            : kind == Torvex::FileKind::Line ? ".wl"
                                                             : ".wp";
    const fs::path path = Folder() / (std::to_string(count) + extension);
    if (!fs::exists(path)) {
        const Calvorn::BenchDataset dataset(kind, 20240601);
        Torvex::TorvexBuilder builder(kind);
        for (const Torvex::FieldSpec& field : dataset.Fields()) {
            builder.AddField(field);
        }
        for (int i = 0; i < count; ++i) {
            builder.AddRecord(dataset.Record(dataset.Feature(static_cast<std::uint64_t>(i))));
        }
        builder.WriteTo(path);
    }
    return path;
}

void BM_SlotRead(benchmark::State& state)
{
    const auto kind = static_cast<Torvex::FileKind>(state.range(0));
    constexpr int kSlots = 50000;
    Torvex::Torvex_Writer reader;
    if (reader.Open(Dataset(kind, kSlots), 1) != 0) {
        state.SkipWithError("cannot open the dataset");
        return;
    }
    Torvex::ShapeArrays shapes;
    Torvex::TORVEX_PntInfo point{};
    Torvex::TORVEX_LineInfo line{};
    Torvex::TORVEX_RegInfo polygon{};
    char text[Torvex::Torvex_Writer::kAnnotationBufferSize];
    std::string_view values[6];
    int slot = 0;
    for (auto _ : state) {
        int result = 0;
        switch (kind) {
            case Torvex::FileKind::Point:
                result = reader.ReadPointInfo(slot, &point, nullptr, text);
                break;
            case Torvex::FileKind::Line:
                result = reader.ReadArcInfo(slot, &line, nullptr);
                break;
            default:
                result = reader.ReadPolygonInfo(slot, &polygon, nullptr);
                break;
        }
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(reader.ReadShape(slot, shapes));
        benchmark::DoNotOptimize(reader.ViewAttributes(slot, values));
        for (int field = 0; field < 6; ++field) {
            benchmark::DoNotOptimize(
                reader.GetFieldInfo(field, nullptr, nullptr, nullptr, nullptr));
        }
        if (shapes.x.size() > 100000) {
            shapes.x.clear();
            shapes.y.clear();
            shapes.partStarts.clear();
        }
        slot = slot + 1 == kSlots ? 0 : slot + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SlotRead)
    ->ArgName("kind")
    ->Arg(static_cast<int>(Torvex::FileKind::Point))
    ->Arg(static_cast<int>(Torvex::FileKind::Line))
    ->Arg(static_cast<int>(Torvex::FileKind::Polygon));

void BM_Crc32(benchmark::State& state)
{
    // A point slot of the benchmark: 16 + 85 + 16 bytes and its values, about 180 in all.
    std::vector<std::uint8_t> slot(180);
    for (std::size_t i = 0; i < slot.size(); ++i) {
        slot[i] = static_cast<std::uint8_t>(i * 37);
    }
    const bool tables = state.range(0) == 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tables ? Torvex::Crc32ByTables(slot.data(), slot.size())
                                        : Torvex::Crc32(slot.data(), slot.size()));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Crc32)->ArgName("way")->Arg(0)->Arg(1);

void BM_DbfRowWrite(benchmark::State& state)
{
    const auto mode =
        state.range(0) == 0 ? Calvorn::ShapelibIoMode::Buffered : Calvorn::ShapelibIoMode::Plain;
    const Calvorn::OutputPolicy policy{{}, mode, {}};
    const Calvorn::OutputPolicyScope scope(policy);
    const Calvorn::BenchDataset dataset(Torvex::FileKind::Point, 1);
    const Calvorn::BenchFeature feature = dataset.Feature(7);
    const std::string cname = Torvex::Utf8ToGbk(feature.cname);
    Calvorn::DbfFile dbf;
    dbf.Create(Folder() / "rows.dbf");
    dbf.AddField("ID", Calvorn::DbfFieldType::Integer, 10, 0);
    dbf.AddField("VALUE", Calvorn::DbfFieldType::Double, 16, 4);
    dbf.AddField("NAME", Calvorn::DbfFieldType::String, 24, 0);
    dbf.AddField("CNAME", Calvorn::DbfFieldType::String, 40, 0);
    dbf.AddField("DATE", Calvorn::DbfFieldType::String, 10, 0);
    dbf.AddField("CODE", Calvorn::DbfFieldType::Integer, 4, 0);
    std::vector<char> bytes(dbf.Layout().rowLength);
    Calvorn::DbfRow row(dbf.Layout(), bytes.data());
    int index = 0;
    for (auto _ : state) {
        row.Clear();
        row.PutNumber(0, index++);
        row.PutNumber(1, feature.value);
        row.PutText(2, feature.name);
        row.PutText(3, cname);
        row.PutText(4, "2013-03-22");
        row.PutNumber(5, feature.code);
        dbf.AppendRow(bytes.data());
    }
    dbf.Close();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DbfRowWrite)->ArgName("plain")->Arg(0)->Arg(1);

void BM_DbfNumber(benchmark::State& state)
{
    char text[Calvorn::kDbfMaxFieldWidth];
    const auto decimals = static_cast<int>(state.range(0));
    const int width = decimals + 12;
    double value = -80946.3986123456;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Calvorn::RenderDbfNumber(value, width, decimals, text));
        value += 1.0001;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DbfNumber)->ArgName("decimals")->Arg(4)->Arg(15);

// The progress callback a batch run installs, against none (the one-file mode's).
void BM_Convert(benchmark::State& state)
{
    constexpr int kPoints = 200000;
    const fs::path source = Dataset(Torvex::FileKind::Point, kPoints);
    Calvorn::CConvertLog::Get().SetFile(Folder() / "CalvornExp.log");
    Calvorn::ConversionOptions options;
    Calvorn::NameTables tables;
    // One thread: the callback's cost is not hidden by a second one.
    Calvorn::ConversionEngine engine(
        options, tables,
        Calvorn::ConversionContext{&Calvorn::CConvertLog::Get(), {}, Calvorn::RecordThreads::One});
    engine.SetProgressCallback([](int position) { benchmark::DoNotOptimize(position); });
    const int progressFlag = static_cast<int>(state.range(0));
    const fs::path out = Folder() / ("out" + std::to_string(progressFlag));
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        fs::create_directories(out);
        state.ResumeTiming();
        if (engine.ConvertPoint2Shp(source, out, progressFlag) != Calvorn::kOutcomeConverted) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Convert)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
