// calvorn-bench-data: writes the benchmark's datasets, each as a Torvex file and, for ogr2ogr,
// as a CSV with WKT geometry and a .csvt of its column types (bench/run.sh turns that into
// FlatGeobuf).
//
//   calvorn-bench-data [--seed N] [--points N] [--lines N] [--polygons N] [--suffix S]
//                      [--precise] [--no-csv] OUTDIR
//
// Files: OUTDIR/P.wt, L.wl, A.wp and P.csv, P.csvt, ... (the suffix follows the letter); a
// count of 0 leaves its dataset out. --precise: the value field holds doubles of every digit,
// 24 wide with 15 decimals.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench/BenchDataset.h"
#include "torvex/builder/TorvexBuilder.h"

namespace {

struct Options {
    std::uint64_t seed = 20240601;
    std::uint64_t points = 1000000;
    std::uint64_t lines = 200000;
    std::uint64_t polygons = 100000;
    std::string suffix;
    bool precise = false;
    bool csv = true;
    std::filesystem::path folder;
};

int Usage()
{
    std::cerr << "usage: calvorn-bench-data [--seed N] [--points N] [--lines N] [--polygons N] "
                 "[--suffix S] [--precise] [--no-csv] OUTDIR\n";
    return 2;
}

void WriteDataset(const Options& options, Torvex::FileKind kind, std::uint64_t count,
                  const std::string& letter, const char* extension)
{
    const Calvorn::BenchDataset dataset(kind, options.seed, options.precise);
    const std::string base = letter + options.suffix;
    Torvex::TorvexBuilder builder(kind);
    for (const Torvex::FieldSpec& field : dataset.Fields()) {
        builder.AddField(field);
    }
    std::ofstream csv;
    if (options.csv) {
        std::ofstream(options.folder / (base + ".csvt"), std::ios::binary) << dataset.CsvTypes();
        csv.open(options.folder / (base + ".csv"), std::ios::binary);
        csv << Calvorn::BenchDataset::CsvHeader();
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        const Calvorn::BenchFeature feature = dataset.Feature(i);
        builder.AddRecord(dataset.Record(feature));
        if (options.csv) {
            csv << dataset.CsvLine(feature);
        }
    }
    if (options.csv && !csv.flush()) {
        throw std::runtime_error("cannot write " + base + ".csv");
    }
    builder.WriteTo(options.folder / (base + extension));
    std::cout << base << extension << '\t' << count << '\n';
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--no-csv") {
            options.csv = false;
        } else if (arg == "--precise") {
            options.precise = true;
        } else if (arg == "--seed" && hasValue) {
            options.seed = std::strtoull(args[++i].c_str(), nullptr, 10);
        } else if (arg == "--points" && hasValue) {
            options.points = std::strtoull(args[++i].c_str(), nullptr, 10);
        } else if (arg == "--lines" && hasValue) {
            options.lines = std::strtoull(args[++i].c_str(), nullptr, 10);
        } else if (arg == "--polygons" && hasValue) {
            options.polygons = std::strtoull(args[++i].c_str(), nullptr, 10);
        } else if (arg == "--suffix" && hasValue) {
            options.suffix = args[++i];
        } else if (!arg.empty() && arg[0] != '-' && options.folder.empty()) {
            options.folder = arg;
        } else {
            return Usage();
        }
    }
    if (options.folder.empty()) {
        return Usage();
    }
    try {
        std::filesystem::create_directories(options.folder);
        if (options.points > 0) {
            WriteDataset(options, Torvex::FileKind::Point, options.points, "P", ".wt");
        }
        if (options.lines > 0) {
            WriteDataset(options, Torvex::FileKind::Line, options.lines, "L", ".wl");
        }
        if (options.polygons > 0) {
            WriteDataset(options, Torvex::FileKind::Polygon, options.polygons, "A", ".wp");
        }
    } catch (const std::exception& e) {
        std::cerr << "calvorn-bench-data: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
