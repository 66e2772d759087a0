// Whole archives, run as real processes: a tree of sheet folders with same-named files kept as a
// tree, the run report (checked against docs/report.schema.json), shards run at once by GNU
// parallel, a run killed and resumed. (Refused options, --summarize and which shard takes a
// file are cases in tests/cases/archive.)
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/ConsoleTool.h"
#include "cli/Shard.h"
#include "tests/cli/ProcessTestSupport.h"
#include "tests/support/TorvexFiles.h"

namespace {

namespace fs = std::filesystem;
using CalvornTest::Cli;
using CalvornTest::CommandResult;
using CalvornTest::Count;
using CalvornTest::ReadFile;
using CalvornTest::RunCommand;
using Json = nlohmann::json;

#ifdef CALVORN_SANITIZED
constexpr int kBigRecords = 100000;
#else
constexpr int kBigRecords = 400000;
#endif

// What the console tool says about a source, by its path relative to the test's folder.
using Statuses = std::map<std::string, std::string>;

class ArchiveTest : public testing::Test {
protected:
    // arch/sheet01..04 each hold roads.wl, towns.wt and lakes.wp; sheet02 also a file that is
    // no Torvex file, sheet03 an empty one, sheet04 one whose name is not UTF-8. A project
    // proj/map.mpj lists roads.wl beside it; single.wt stands alone.
    ArchiveTest()
    {
        for (const char* sheet : {"sheet01", "sheet02", "sheet03", "sheet04"}) {
            fs::create_directories(arch / sheet);
            for (const char* name : {"roads.wl", "towns.wt", "lakes.wp"}) {
                fs::copy_file(CalvornTest::BuiltSample(name), arch / sheet / name);
            }
        }
        CalvornTest::WriteFile(arch / "sheet02" / "broken.wl", "not a Torvex file");
        CalvornTest::MakeLineFile(arch / "sheet03" / "empty.wl", 0);
        fs::copy_file(CalvornTest::BuiltSample("roads.wl"), arch / "sheet04" / "odd\xff.wl");
        fs::create_directories(dir / "proj");
        fs::copy_file(CalvornTest::BuiltSample("roads.wl"), dir / "proj" / "roads.wl");
        CalvornTest::MakeProject(dir / "proj" / "map.mpj", {"D:\\maps\\roads.wl"});
        fs::copy_file(CalvornTest::BuiltSample("towns.wt"), dir / "single.wt");
        fs::create_directory(out);
    }

    // The statuses of a run over the archive alone, and its outputs (.shp and .dbf), each
    // source converted once.
    static Statuses ArchiveStatuses()
    {
        Statuses statuses;
        for (const std::string name : {"roads.wl", "towns.wt", "lakes.wp"}) {
            for (const std::string sheet : {"sheet01", "sheet02", "sheet03", "sheet04"}) {
                statuses["arch/" + sheet + "/" + name] = "ok";
            }
        }
        statuses["arch/sheet02/broken.wl"] = "failed";
        statuses["arch/sheet03/empty.wl"] = "empty";
        statuses["arch/sheet04/odd\\xff.wl"] = "ok";
        return statuses;
    }
    static std::set<std::string> ArchiveOutputs()
    {
        std::set<std::string> outputs = {"sheet04/odd\xff.shp", "sheet04/odd\xff.dbf"};
        for (const auto& [source, status] : ArchiveStatuses()) {
            if (status == "ok" && source.find("odd") == std::string::npos) {
                const std::string base = fs::path(source.substr(5)).replace_extension().string();
                outputs.insert({base + ".shp", base + ".dbf"});
            }
        }
        return outputs;
    }

    CommandResult Run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--log", (dir / "log.txt").string()});
        return RunCommand(Cli(args));
    }

    // The lines of `reports`, checked against the schema first.
    static std::vector<Json> Lines(const std::vector<fs::path>& reports)
    {
        std::vector<std::string> check = {"/usr/bin/python3",
                                          CALVORN_SOURCE_DIR "/scripts/check-report.py"};
        std::vector<Json> lines;
        for (const fs::path& report : reports) {
            check.push_back(report.string());
            std::istringstream text(ReadFile(report));
            for (std::string line; std::getline(text, line);) {
                lines.push_back(Json::parse(line));
            }
        }
        const CommandResult valid = RunCommand(check);
        EXPECT_EQ(valid.status, 0) << valid.output << valid.error;
        return lines;
    }

    // The statuses of the file lines of `reports`, by path relative to the test's folder, each
    // source once.
    Statuses ReportedStatuses(const std::vector<fs::path>& reports) const
    {
        Statuses statuses;
        for (const Json& line : Lines(reports)) {
            if (line["type"] == "file") {
                const std::string source = line["source"];
                EXPECT_TRUE(
                    statuses.emplace(source.substr(dir.Path().string().size() + 1), line["status"])
                        .second)
                    << source << " reported twice";
            }
        }
        return statuses;
    }

    // Every Shapefile and .dbf below `out`, relative to it: each source's outputs once, in
    // its mirrored folder, under its own name (a second conversion would add roads_WL.shp).
    std::set<std::string> Outputs() const
    {
        std::set<std::string> outputs;
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            EXPECT_EQ(entry.path().filename().string().find(".calvorn-"), std::string::npos)
                << entry.path();
            if (entry.path().extension() == ".shp" || entry.path().extension() == ".dbf") {
                outputs.insert(entry.path().lexically_relative(out).string());
            }
        }
        return outputs;
    }

    CalvornTest::TempDir dir;
    fs::path arch = dir / "arch";
    fs::path out = dir / "out";
};

// The tree kept: same-named sheets meet no longer; a project's items go into a folder named
// after it, a file given alone into the output folder; a link in the output tree is refused,
// not followed. Every file has its line in the report; with -j 3, standard output and the log
// are those of -j 1.
TEST_F(ArchiveTest, KeepTreeAndReportEveryFile)
{
    fs::create_directory(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", out / "sheet04");
    Statuses expected = ArchiveStatuses();
    for (const char* name : {"roads.wl", "towns.wt", "lakes.wp", "odd\\xff.wl"}) {
        expected[std::string("arch/sheet04/") + name] = "failed";
    }
    expected["proj/roads.wl"] = "ok";
    expected["single.wt"] = "ok";
    std::set<std::string> outputs = ArchiveOutputs();
    std::erase_if(outputs, [](const std::string& path) { return path.starts_with("sheet04"); });
    outputs.insert({"map/roads.shp", "map/roads.dbf", "single.shp", "single.dbf"});

    CommandResult first;
    std::string firstLog;
    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(std::string("-j ") + jobs);
        fs::remove(dir / "r.jsonl");
        fs::remove(dir / "log.txt");
        for (const auto& entry : fs::directory_iterator(out)) {
            if (!entry.is_symlink()) {
                fs::remove_all(entry.path());
            }
        }
        const CommandResult result = Run(
            {"-j", jobs, "--keep-tree", "--report", (dir / "r.jsonl").string(), "-o", out.string(),
             arch.string(), (dir / "proj" / "map.mpj").string(), (dir / "single.wt").string()});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(ReportedStatuses({dir / "r.jsonl"}), expected);
        EXPECT_EQ(Outputs(), outputs);
        EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
        EXPECT_NE(result.error.find("calvorn-cli: " + (arch / "sheet04" / "roads.wl").string() +
                                    ": 无法创建输出文件夹【" + (out / "sheet04").string() +
                                    "】：是一个链接\n"),
                  std::string::npos)
            << result.error;
        if (first.output.empty()) {
            first = result;
            firstLog = ReadFile(dir / "log.txt");
        } else {
            EXPECT_EQ(result.output, first.output);
            EXPECT_EQ(result.error, first.error);
            EXPECT_TRUE(ReadFile(dir / "log.txt") == firstLog) << "the logs differ";
        }

        // What a file's line tells, and the summary's sums.
        const std::vector<Json> lines = Lines({dir / "r.jsonl"});
        for (const Json& line : lines) {
            if (line.value("source", "") == (arch / "sheet01" / "roads.wl").string()) {
                EXPECT_EQ(line["outputs"], Json({"sheet01/roads.shp", "sheet01/roads.shx",
                                                 "sheet01/roads.dbf", "sheet01/roads.prj"}));
                EXPECT_EQ(line["records"], Json({{"stored", 5}, {"live", 4}, {"written", 4}}));
                EXPECT_EQ(line["size"], fs::file_size(arch / "sheet01" / "roads.wl"));
                EXPECT_EQ(line["kind"], "line");
                EXPECT_EQ(line["log"].back(), "------结束转换【全部正确转换(4/4)】------");
            }
            if (line.value("source", "") == (arch / "sheet02" / "broken.wl").string()) {
                EXPECT_EQ(line["reason"], "非Torvex文件");
                EXPECT_EQ(line["outcome"], 1);
            }
        }
        EXPECT_EQ(lines.front()["options"]["output_folder"], fs::canonical(out).string());
        EXPECT_EQ(lines.back()["counts"],
                  Json({{"ok", 11}, {"empty", 1}, {"failed", 5}, {"stopped", 0}, {"skipped", 0}}));
    }
}

// N processes started at once by GNU parallel with the same arguments and --shard K/N convert
// every source exactly once into one tree, and --summarize merges the shards' reports. A shard
// that takes no file still reports its run.
TEST_F(ArchiveTest, ShardsShareAnArchiveOut)
{
    std::vector<std::string> parallel = {"parallel",
                                         "--will-cite",
                                         "-q",
                                         "-j",
                                         "4",
                                         CALVORN_CLI,
                                         "--keep-tree",
                                         "--shard",
                                         "{}/4",
                                         "--report",
                                         (dir / "r-{}.jsonl").string(),
                                         "--log",
                                         (dir / "log-{}.txt").string(),
                                         "-o",
                                         out.string(),
                                         arch.string(),
                                         ":::"};
    std::vector<std::string> summarize = {"--summarize"};
    std::vector<fs::path> reports;
    for (const std::string k : {"0", "1", "2", "3"}) {
        parallel.push_back(k);
        reports.push_back(dir / ("r-" + k + ".jsonl"));
        summarize.push_back(reports.back().string());
    }
    const CommandResult result = RunCommand(parallel);
    EXPECT_EQ(result.status, 1) << "one shard has the broken file\n" << result.error;
    EXPECT_EQ(ReportedStatuses(reports), ArchiveStatuses());
    EXPECT_EQ(Outputs(), ArchiveOutputs());
    const CommandResult merged = RunCommand(Cli(summarize));
    EXPECT_EQ(merged.status, 1);
    EXPECT_EQ(merged.output, "total\t15\nok\t13\nempty\t1\nfailed\t1\nstopped\t0\nfailed 1\t" +
                                 (arch / "sheet02" / "broken.wl").string() + "\t非Torvex文件\n");

    const std::string other = Calvorn::Fnv1a64("single.wt") % 2 == 0 ? "1/2" : "0/2";
    fs::create_directory(dir / "none");
    EXPECT_EQ(Run({"--shard", other, "--report", (dir / "none.jsonl").string(), "-o",
                   (dir / "none").string(), (dir / "single.wt").string()})
                  .status,
              0);
    EXPECT_EQ(Lines({dir / "none.jsonl"}).size(), 2u);
    EXPECT_TRUE(fs::is_empty(dir / "none"));
}

// A run killed while a large file is half written and resumed converts every source once:
// what the killed run finished (before and, on the second thread, after the large file) is
// skipped, the rest converted; its temporary files are gone; the report stays valid.
TEST_F(ArchiveTest, KilledRunResumesWhereItStopped)
{
    CalvornTest::MakeLineFile(arch / "sheet03" / "big.wl", kBigRecords);
    const std::string report = (dir / "r.jsonl").string();
    const std::vector<std::string> args = {"--log",       (dir / "log.txt").string(),
                                           "-j",          "2",
                                           "--keep-tree", "--report",
                                           report,        "--resume",
                                           report,        "-o",
                                           out.string(),  arch.string()};
    {
        CalvornTest::ChildProcess child(Cli(args));
        ASSERT_TRUE(CalvornTest::WaitForTemporaryFile(out / "sheet03", "big.shp"));
        // The second thread converts the files after the large one meanwhile, and each one's
        // line is written as it is done.
        for (int i = 0; i < 20000 && ReadFile(report).find("sheet04/towns.wt") == std::string::npos;
             ++i) {
            usleep(200);
        }
        child.Signal(SIGKILL);
        child.Wait();
    }
    ASSERT_FALSE(fs::exists(out / "sheet03" / "big.shp"));
    const std::string killed = ReadFile(report);
    const std::size_t done =
        Count(killed, R"("status":"ok")") + Count(killed, R"("status":"empty")");

    const CommandResult resumed = RunCommand(Cli(args));
    EXPECT_EQ(resumed.status, 1);
    // Whatever the killed run finished; the failed file is tried again.
    EXPECT_EQ(Count(resumed.output, "skipped\t"), done) << resumed.output;
    std::set<std::string> outputs = ArchiveOutputs();
    outputs.insert({"sheet03/big.shp", "sheet03/big.dbf"});
    EXPECT_EQ(Outputs(), outputs);

    // The report holds both runs; merged, every source counts once.
    const CommandResult summary = RunCommand(Cli({"--summarize", report}));
    EXPECT_EQ(summary.output.substr(0, summary.output.find("failed 1")),
              "total\t16\nok\t14\nempty\t1\nfailed\t1\nstopped\t0\n");
    Lines({report});
}

// What --resume takes as done: the same source, unchanged, into outputs all still there, by a
// run with the same output folder, tree and options. In-process, on three files.
TEST_F(ArchiveTest, ResumeSkipsOnlyWhatIsStillDone)
{
    const fs::path sheet = arch / "sheet01";
    const std::string report = (dir / "r.jsonl").string();
    const std::string all = "lakes.wp roads.wl towns.wt ";
    const struct {
        const char* name;
        std::function<void()> change;
        std::vector<std::string> options;
        std::string converted;  // the files converted again
    } cases[] = {
        {"nothing changed", [] {}, {}, ""},
        {"a source written since",
         [&] { fs::last_write_time(sheet / "towns.wt", fs::file_time_type::clock::now()); },
         {},
         "towns.wt "},
        {"an output gone", [&] { fs::remove(out / "lakes.prj"); }, {}, "lakes.wp "},
        {"other options", [] {}, {"--no-projection"}, all},
        {"the tree kept", [] {}, {"--keep-tree"}, all},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(out);
        fs::create_directory(out);
        fs::remove(report);
        std::ostringstream ignored, output, error;
        std::vector<std::string> args = {
            "--log",       (dir / "log.txt").string(), "--report", report, "-o", out.string(),
            sheet.string()};
        ASSERT_EQ(Calvorn::RunConsoleTool(args, ignored, error), 0);
        c.change();
        args.insert(args.begin(), {"--resume", report});
        args.insert(args.begin(), c.options.begin(), c.options.end());
        EXPECT_EQ(Calvorn::RunConsoleTool(args, output, error), 0);
        std::string converted;
        std::istringstream lines(output.str());
        for (std::string line; std::getline(lines, line);) {
            converted += line.starts_with("ok\t") ? fs::path(line).filename().string() + " " : "";
        }
        EXPECT_EQ(converted, c.converted);
    }
}

}  // namespace
