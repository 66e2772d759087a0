// Whole archives, run as real processes: a tree of sheet folders with same-named files kept as a
// tree, the run report (checked against docs/report.schema.json), shards run at once by GNU
// parallel, a run killed and resumed, and merged summaries.
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
#include "tests/batch/BatchTestFiles.h"
#include "tests/cli/ProcessTestSupport.h"

namespace {

namespace fs = std::filesystem;
using CalvornTest::Cli;
using CalvornTest::CommandResult;
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
        Torvex::TorvexBuilder(Torvex::FileKind::Line).WriteTo(arch / "sheet03" / "empty.wl");
        fs::copy_file(CalvornTest::BuiltSample("roads.wl"), arch / "sheet04" / "odd\xff.wl");
        fs::create_directories(dir / "proj");
        fs::copy_file(CalvornTest::BuiltSample("roads.wl"), dir / "proj" / "roads.wl");
        Torvex::TorvexBuilder project(Torvex::FileKind::Project);
        project.AddProjectItem("D:\\maps\\roads.wl");
        project.WriteTo(dir / "proj" / "map.mpj");
        fs::copy_file(CalvornTest::BuiltSample("towns.wt"), dir / "single.wt");
        fs::create_directory(out);
    }

    // The statuses of a run over the archive alone.
    static Statuses ArchiveStatuses()
    {
        Statuses statuses;
        for (const char* sheet : {"sheet01", "sheet02", "sheet03", "sheet04"}) {
            for (const char* name : {"roads.wl", "towns.wt", "lakes.wp"}) {
                statuses[std::string("arch/") + sheet + "/" + name] = "ok";
            }
        }
        statuses["arch/sheet02/broken.wl"] = "failed";
        statuses["arch/sheet03/empty.wl"] = "empty";
        statuses["arch/sheet04/odd\\xff.wl"] = "ok";
        return statuses;
    }

    CommandResult Run(std::vector<std::string> args, const std::string& log = "log.txt") const
    {
        args.insert(args.begin(), {"--log", (dir / log).string()});
        return RunCommand(Cli(args));
    }

    // The statuses of the file lines of `report`, by path relative to the test's folder, each
    // source once; the report is checked against the schema first.
    Statuses ReportedStatuses(const std::vector<fs::path>& reports) const
    {
        std::vector<std::string> check = {"/usr/bin/python3",
                                          CALVORN_SOURCE_DIR "/scripts/check-report.py"};
        for (const fs::path& report : reports) {
            check.push_back(report.string());
        }
        const CommandResult valid = RunCommand(check);
        EXPECT_EQ(valid.status, 0) << valid.output << valid.error;
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

    static std::vector<Json> Lines(const std::vector<fs::path>& reports)
    {
        std::vector<Json> lines;
        for (const fs::path& report : reports) {
            std::istringstream text(CalvornTest::ReadFile(report));
            for (std::string line; std::getline(text, line);) {
                lines.push_back(Json::parse(line));
            }
        }
        return lines;
    }

    // Every Shapefile and .dbf below `out`, relative to it: each source's outputs once, in
    // its mirrored folder, under its own name (a second conversion would add roads_WL.shp).
    std::set<std::string> Outputs() const
    {
        std::set<std::string> outputs;
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(name.find(".calvorn-"), std::string::npos) << entry.path();
            if (entry.path().extension() == ".shp" || entry.path().extension() == ".dbf") {
                outputs.insert(entry.path().lexically_relative(out).string());
            }
        }
        return outputs;
    }

    // The outputs of a run over the archive, each source converted once.
    static std::set<std::string> ArchiveOutputs()
    {
        std::set<std::string> outputs;
        for (const char* sheet : {"sheet01", "sheet02", "sheet03", "sheet04"}) {
            for (const char* name : {"roads", "towns", "lakes"}) {
                for (const char* extension : {".shp", ".dbf"}) {
                    outputs.insert(std::string(sheet) + "/" + name + extension);
                }
            }
        }
        outputs.insert({"sheet04/odd\xff.shp", "sheet04/odd\xff.dbf"});
        return outputs;
    }

    CalvornTest::TempDir dir;
    fs::path arch = dir / "arch";
    fs::path out = dir / "out";
};

// The tree kept: same-named sheets meet no longer; a project's items go into a folder named
// after it, a file given alone into the output folder; a link in the output tree is refused,
// not followed. Every file has its line in the report, with -j as without.
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

    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(std::string("-j ") + jobs);
        fs::remove_all(dir / "r.jsonl");
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
        const std::string linked = (out / "sheet04").string();
        EXPECT_NE(result.error.find("calvorn-cli: " + (arch / "sheet04" / "roads.wl").string() +
                                    ": 无法创建输出文件夹【" + linked + "】：是一个链接\n"),
                  std::string::npos)
            << result.error;

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
// every source exactly once into one tree; --list shows the same partition beforehand, and
// --summarize merges the shards' reports.
TEST_F(ArchiveTest, ShardsShareAnArchiveOut)
{
    std::set<std::string> all;
    std::istringstream listed(RunCommand(Cli({"--list", arch.string()})).output);
    for (std::string line; std::getline(listed, line);) {
        all.insert(line);
    }
    EXPECT_EQ(all.size(), ArchiveStatuses().size());
    EXPECT_TRUE(all.contains((arch / "sheet04" / "odd\\xff.wl").string())) << "escaped";
    std::multiset<std::string> shards;
    for (int k = 0; k < 4; ++k) {
        const CommandResult result =
            RunCommand(Cli({"--list", "--shard", std::to_string(k) + "/4", arch.string()}));
        EXPECT_EQ(result.status, 0);
        std::istringstream lines(result.output);
        for (std::string line; std::getline(lines, line);) {
            shards.insert(line);
        }
    }
    EXPECT_EQ(shards, std::multiset<std::string>(all.begin(), all.end()));

    const CommandResult parallel = RunCommand({"parallel",
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
                                               ":::",
                                               "0",
                                               "1",
                                               "2",
                                               "3"});
    EXPECT_EQ(parallel.status, 1) << "one shard has the broken file\n" << parallel.error;
    std::vector<fs::path> reports;
    for (int k = 0; k < 4; ++k) {
        reports.push_back(dir / ("r-" + std::to_string(k) + ".jsonl"));
    }
    EXPECT_EQ(ReportedStatuses(reports), ArchiveStatuses());
    EXPECT_EQ(Outputs(), ArchiveOutputs());

    std::vector<std::string> summarize = {"--summarize"};
    for (const fs::path& report : reports) {
        summarize.push_back(report.string());
    }
    const CommandResult merged = RunCommand(Cli(summarize));
    EXPECT_EQ(merged.status, 1);
    EXPECT_EQ(merged.output, "total\t15\nok\t13\nempty\t1\nfailed\t1\nstopped\t0\nfailed 1\t" +
                                 (arch / "sheet02" / "broken.wl").string() + "\t非Torvex文件\n");
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
    const auto count = [](const std::string& text, const std::string& part) {
        std::size_t found = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + 1)) {
            ++found;
        }
        return found;
    };
    {
        CalvornTest::ChildProcess child(Cli(args));
        ASSERT_TRUE(CalvornTest::WaitForTemporaryFile(out / "sheet03", "big.shp"));
        // The second thread converts the files after the large one meanwhile, and each one's
        // line is written as it is done.
        for (int i = 0; i < 20000 &&
                        CalvornTest::ReadFile(report).find("sheet04/towns.wt") == std::string::npos;
             ++i) {
            usleep(200);
        }
        child.Signal(SIGKILL);
        child.Wait();
    }
    ASSERT_FALSE(fs::exists(out / "sheet03" / "big.shp"));
    const std::string killed = CalvornTest::ReadFile(report);
    const std::size_t done =
        count(killed, R"("status":"ok")") + count(killed, R"("status":"empty")");

    const CommandResult resumed = RunCommand(Cli(args));
    EXPECT_EQ(resumed.status, 1);
    // Whatever the killed run finished; the failed file is tried again.
    EXPECT_EQ(count(resumed.output, "skipped\t"), done) << resumed.output;
    Statuses expected = ArchiveStatuses();
    expected["arch/sheet03/big.wl"] = "ok";
    std::set<std::string> outputs = ArchiveOutputs();
    outputs.insert({"sheet03/big.shp", "sheet03/big.dbf"});
    EXPECT_EQ(Outputs(), outputs);

    // The report holds both runs; merged, every source counts once.
    const CommandResult summary = RunCommand(Cli({"--summarize", report}));
    EXPECT_EQ(summary.output.substr(0, summary.output.find("failed 1")),
              "total\t16\nok\t14\nempty\t1\nfailed\t1\nstopped\t0\n");
    EXPECT_EQ(
        RunCommand({"/usr/bin/python3", CALVORN_SOURCE_DIR "/scripts/check-report.py", report})
            .status,
        0);
}

// What --resume takes as done: the same source, unchanged, into outputs all still there, by a
// run with the same output folder, tree and options. In-process, on three files.
TEST_F(ArchiveTest, ResumeSkipsOnlyWhatIsStillDone)
{
    const fs::path sheet = arch / "sheet01";
    const std::string report = (dir / "r.jsonl").string();
    std::string all;
    for (const char* name : {"lakes.wp", "roads.wl", "towns.wt"}) {
        all += "ok\t" + (sheet / name).string() + "\n";
    }
    const struct {
        const char* name;
        std::function<void()> change;
        std::vector<std::string> options;
        std::string converted;  // the lines of the files converted again
    } cases[] = {
        {"nothing changed", [] {}, {}, ""},
        {"a source written since",
         [&] { fs::last_write_time(sheet / "towns.wt", fs::file_time_type::clock::now()); },
         {},
         "ok\t" + (sheet / "towns.wt").string() + "\n"},
        {"an output gone",
         [&] { fs::remove(out / "lakes.prj"); },
         {},
         "ok\t" + (sheet / "lakes.wp").string() + "\n"},
        {"other options", [] {}, {"--no-projection"}, all},
        {"the tree kept", [] {}, {"--keep-tree"}, all},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(out);
        fs::create_directory(out);
        fs::remove(report);
        std::ostringstream ignored, output, error;
        ASSERT_EQ(Calvorn::RunConsoleTool({"--log", (dir / "log.txt").string(), "--report", report,
                                           "-o", out.string(), sheet.string()},
                                          ignored, error),
                  0);
        c.change();
        std::vector<std::string> args = {
            "--log", (dir / "log.txt").string(), "--resume", report, "--report", report};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {"-o", out.string(), sheet.string()});
        EXPECT_EQ(Calvorn::RunConsoleTool(args, output, error), 0);
        std::string converted;
        std::istringstream lines(output.str());
        for (std::string line; std::getline(lines, line);) {
            converted += line.starts_with("ok\t") ? line + "\n" : "";
        }
        EXPECT_EQ(converted, c.converted);
    }
}

// --summarize counts each source once, by its last line that is not "skipped"; a line that
// does not parse is named and passed over.
TEST(ReportSummary, MergesReportsSourceBySource)
{
    CalvornTest::TempDir dir;
    const std::string run =
        R"({"type":"run","version":1,"program":"x","options":{},"host":"h","pid":1,"start":"s"})";
    const auto file = [](const std::string& source, const std::string& status, int outcome,
                         const std::string& reason) {
        return R"({"type":"file","source":")" + source + R"(","status":")" + status +
               R"(","outcome":)" + std::to_string(outcome) + R"(,"reason":")" + reason + "\"}\n";
    };
    CalvornTest::WriteFile(dir / "r1.jsonl",
                           run + "\n" + file("a.wl", "failed", 1, "文件打开失败") +
                               file("b.wl", "ok", 0, "") + "{\"type\":\"file\",\"sour\n" +
                               file("c.wl", "stopped", 0, "收到信号"));
    CalvornTest::WriteFile(dir / "r2.jsonl", run + "\n" + file("a.wl", "ok", 0, "") +
                                                 file("b.wl", "skipped", 0, "") +
                                                 file("d.wl", "skipped", 10, "") +
                                                 file("e\\\\xff\\tx.wl", "failed", 4, "无法") +
                                                 file("e\\\\xff\\tx.wl", "skipped", 0, ""));
    std::ostringstream out, err;
    EXPECT_EQ(
        Calvorn::RunConsoleTool(
            {"--summarize", (dir / "r1.jsonl").string(), (dir / "r2.jsonl").string()}, out, err),
        1);
    EXPECT_EQ(out.str(),
              "total\t5\nok\t2\nempty\t1\nfailed\t1\nstopped\t1\nfailed 4\te\\xff\\tx.wl\t无法\n");
    EXPECT_EQ(err.str(), "calvorn-cli: " + (dir / "r1.jsonl").string() +
                             ": line 4 is not a report record, skipped\n");
}

// The options of archives, where they are refused, and a shard left with nothing.
TEST_F(ArchiveTest, ArgumentsAndRefusals)
{
    const std::string roads = (arch / "sheet01" / "roads.wl").string();
    const std::string log = (dir / "log.txt").string();
    // Of the two shards of one file, the one that does not take it runs empty.
    const std::string other = Calvorn::Fnv1a64("roads.wl") % 2 == 0 ? "1/2" : "0/2";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string error;  // the start of standard error
    } cases[] = {
        {{"--keep-tree", roads, out.string()}, 64, "calvorn-cli: option --keep-tree needs -o"},
        {{"--resume=r", roads, out.string()}, 64, "calvorn-cli: option --resume needs -o"},
        {{"--shard", "2/2", "--list", roads}, 64, "calvorn-cli: --shard takes K/N"},
        {{"--shard=1", "-o", out.string(), roads}, 64, "calvorn-cli: --shard takes K/N"},
        {{"--list", (dir / "gone").string()}, 66, "calvorn-cli: " + (dir / "gone").string()},
        {{"--resume", (dir / "gone.jsonl").string(), "-o", out.string(), roads},
         66,
         "calvorn-cli: " + (dir / "gone.jsonl").string() + ": 没有那个文件或目录"},
        {{"--report", roads, "-o", out.string(), roads},
         64,
         "calvorn-cli: cannot write the report to " + roads + ": its name"},
        {{"--report", (dir / "r.SHP").string(), "-o", out.string(), roads},
         64,
         "calvorn-cli: cannot write the report to"},
        {{"--log", log, "--report", log, "-o", out.string(), roads},
         64,
         "calvorn-cli: cannot write the report to " + log + ": it is the conversion log"},
        {{"--summarize"}, 64, "calvorn-cli: --summarize needs a REPORT"},
        {{"--summarize", "-o", "x"}, 64, "calvorn-cli: --summarize takes report files only"},
        {{"--summarize", (dir / "gone.jsonl").string()}, 66, "calvorn-cli: "},
        {{"--shard", other, "--report", (dir / "r.jsonl").string(), "-o", out.string(), roads},
         0,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        std::ostringstream output, error;
        EXPECT_EQ(Calvorn::RunConsoleTool(c.args, output, error), c.status);
        EXPECT_EQ(error.str().substr(0, c.error.size()), c.error);
    }
    EXPECT_EQ(Calvorn::Fnv1a64("sheet01/roads.wl"), 0x87cd9160d6390e3cULL);
    // The empty shard still made its report: a run line and a summary.
    EXPECT_EQ(Lines({dir / "r.jsonl"}).size(), 2u);
    EXPECT_TRUE(fs::is_empty(out));
}

}  // namespace
