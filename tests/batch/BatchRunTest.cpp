// Batch runs: the reason a failed file is given, the run going on after a failure, stops, and
// runs on several threads: which rows must share a thread, and that the outputs, the log and what
// an observer sees are those of a run on one thread. (What keeps a run from starting and what it
// tells of each row are cases in tests/cases and tests of the main window.)
#include "batch/BatchRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "batch/FileLog.h"
#include "batch/OutputGroups.h"
#include "convert/ShapelibIo.h"
#include "convert/SourceKinds.h"
#include "tests/batch/BatchTestFiles.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;
using Groups = std::vector<std::vector<std::size_t>>;

using RecordingObserver = CalvornTest::EventRecorder;

// A batch run over a job list in the given order, into the existing folder `out`, with default
// options and its messages recorded.
class BatchRunTest : public testing::Test {
protected:
    BatchRunTest()
    {
        fs::create_directory(out);
        CalvornTest::LogInto(dir);
        settings.LayerMap = dir / "layers.lyr";
    }
    std::vector<int> Statuses() const
    {
        std::vector<int> statuses;
        for (const Job& job : jobs.Rows()) {
            statuses.push_back(job.status);
        }
        return statuses;
    }

    CalvornTest::TempDir dir;
    fs::path out = dir / "out";
    JobList jobs{JobList::Order::AsAdded};
    ConversionOptions options;
    NameTables tables;
    PathSettings settings;
    CalvornTest::RecordingSink sink;
    BatchRun run{jobs, options, tables, sink};
};

// The reason a failed file is reported with, from its log block.
TEST(FailureReasonTest, TakenFromTheTellingLine)
{
    const std::string end4 = "------结束转换【发生未知错误(3/5)】------";
    const struct {
        int outcome;
        std::vector<std::string> lines;
        std::string reason;
    } cases[] = {
        {1, {"开始转换【/a.wl】------", "------结束转换【非Torvex文件】------"}, "非Torvex文件"},
        {2,
         {"------E__x", "------结束转换【文件图形记录与属性记录不匹配】------"},
         "文件图形记录与属性记录不匹配"},
        {4,
         {"------E__无法创建输出文件【/o/a.shp】：权限不够"},
         "无法创建输出文件【/o/a.shp】：权限不够"},
        {4,
         {"------E__输出文件【/o/a.dbf】将超过4GB上限，转换中止", "------E__later error", end4},
         "输出文件【/o/a.dbf】将超过4GB上限，转换中止"},
        {6,
         {"------E__ARCGIS不支持【T】字段类型", "------E__转换中止：bad field"},
         "转换中止：bad field"},
        {4,
         {"------E__第【2】条记录【X】字段填入空数据", "------F__read", end4},
         "第【2】条记录【X】字段填入空数据"},
        {4, {"------F__第【2】条记录发生未知读取错误", end4}, "发生未知错误(3/5)"},
        {4, {}, "转换失败"},
    };
    for (const auto& c : cases) {
        LogBlock log;
        for (const std::string& line : c.lines) {
            log.Add(line);
        }
        EXPECT_EQ(FailureReason(c.outcome, log), c.reason) << testing::PrintToString(c.lines);
    }
}

// A disk that fills up under one file's .dbf: that row fails, the next row converts, the
// summary counts the failure (what the failed file keeps is OutputFailure's concern).
TEST_F(BatchRunTest, FullDiskFailsOneRowAndGoesOn)
{
    jobs.AddFileToList(CalvornTest::MakeLineFile(dir / "full.wl", 3));
    jobs.AddFileToList(CalvornTest::MakeLineFile(dir / "next.wl", 3));
    // Room for the header (65 bytes) and one row of 11.
    Calvorn::ConversionContext context = Calvorn::ProgramContext();
    context.output.room = [full = (out / "full.dbf").string()](const std::string& name) {
        return name == full ? 80 : std::numeric_limits<std::uint64_t>::max();
    };
    Calvorn::BatchRun fullRun(jobs, options, tables, sink, context);
    RecordingObserver observer;
    fullRun.SetObserver(&observer);
    fullRun.Run(out, settings);

    EXPECT_EQ(observer.finished, (std::vector<std::pair<int, int>>{{10, 4}, {9, 0}}));
    EXPECT_EQ(sink.shown, std::vector<std::string>{
                              "  转换完成。\n  共有1个文件被正确转换!\n  共有1个文件转换失败!"});
    EXPECT_EQ(fs::file_size(out / "next.shx"), 100u + 3u * 8u);
}

// A stop asked for before a run starts no file; asked for during one, it lets the files under
// way finish and starts no other. Either way the rows left lose the status of the earlier run
// and the next run starts afresh.
TEST_F(BatchRunTest, StopFinishesFilesInProgressAndClearsTheOthers)
{
    for (int i = 0; i < 12; ++i) {
        jobs.AddFileToList(
            CalvornTest::MakeLineFile(dir / ("f" + std::to_string(i) + ".wl"), 2000));
    }
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        run.SetThreadCount(threads);
        run.SetObserver(nullptr);
        EXPECT_EQ(run.Run(out, settings).converted, 12);
        run.RequestStop();
        const BatchResult before = run.Run(out, settings);
        EXPECT_EQ(before.converted + before.empty + before.failed, 0);
        EXPECT_EQ(Statuses(), std::vector<int>(12, kStatusNone));
        EXPECT_FALSE(run.StopRequested());

        RecordingObserver stopper;
        stopper.stopAfterRow = &run;
        run.SetObserver(&stopper);
        sink.shown.clear();
        const BatchResult during = run.Run(out, settings);
        EXPECT_GE(during.converted, 1);
        EXPECT_EQ(during.converted + during.notConverted, 12);
        const std::vector<int> after = Statuses();
        EXPECT_EQ(std::count(after.begin(), after.end(), kStatusNone), during.notConverted);
        if (threads == 1) {
            EXPECT_EQ(stopper.started, std::vector<std::size_t>{0});
            EXPECT_EQ(sink.shown.at(0),
                      "  转换完成。\n  共有1个文件被正确转换!\n  已停止，共有11个文件未转换!");
        }
        EXPECT_FALSE(run.StopRequested());
    }
}

// A file's log keeps its block and either passes each line on at once or holds it for the
// file's turn; lines below level 2 go nowhere.
TEST(FileLog, KeepsTheBlockAndHoldsOrPassesOn)
{
    struct Lines : LogSink {
        void Write(int level, const std::string& text, const char*, int, const char*) override
        {
            lines.push_back(std::to_string(level) + text);
        }
        std::vector<std::string> lines;
    };
    for (const bool hold : {false, true}) {
        Lines target;
        FileLog log(target, hold);
        log.Write(2, "a", "", 0, "");
        log.Write(1, "dropped", "", 0, "");
        log.Write(2, "b", "", 0, "");
        EXPECT_EQ(log.TakeBlock().Lines(), (std::vector<std::string>{"a", "b"}));
        const std::vector<std::string> both = {"a", "b"};
        const std::vector<std::string> passed = {"2a", "2b"};
        EXPECT_EQ(target.lines, hold ? std::vector<std::string>() : passed);
        EXPECT_EQ(log.TakeHeld(), hold ? both : std::vector<std::string>());
        log.Write(2, "c", "", 0, "");
        EXPECT_EQ(log.TakeBlock().Lines(), std::vector<std::string>{"c"});
    }
}

TEST(OutputGroups, RowsWhosePossibleNamesMeetShareAGroup)
{
    struct Case {
        const char* name;
        std::vector<const char*> sources;
        const char* layerMap;  // lines of the layer-name table
        Groups groups;
    };
    const Case cases[] = {
        {"different names", {"a.wl", "b.wt", "c.wp"}, "", {{0}, {1}, {2}}},
        {"a file listed twice", {"a.wl", "b.wl", "a.wl"}, "", {{0, 2}, {1}}},
        {"same base name, other kind", {"/in/a.wl", "/in/sub/a.wt", "/in/a.wb"}, "", {{0, 1, 2}}},
        {"annotation output of a point file", {"towns.wt", "towns_ANN.wl"}, "", {{0, 1}}},
        {"suffixed name of a line file", {"x_WL.wl", "y.wp", "x.wl"}, "", {{0, 2}, {1}}},
        {"suffix of a suffix", {"x.wl", "x_WL_WL.wl", "x_WL.wp"}, "", {{0, 1, 2}}},
        {"numbered name of a line file", {"x_WL_2.wl", "y.wl", "x.wl"}, "", {{0, 2}, {1}}},
        {"joined through a third row",
         {"p.wt", "q.wl", "p_WT.wl", "q_WT.wp", "p_WT_WT.wb"},
         "",
         {{0, 2, 4}, {1, 3}}},
        {"unrelated suffix-like name", {"x_WLX.wl", "x.wl"}, "", {{0}, {1}}},
        {"names mapped onto one", {"a.wl", "b.wl", "c.wl"}, "a roads\nb roads\n", {{0, 1}, {2}}},
        {"mapped onto another's suffixed name", {"a.wl", "b.wl"}, "b a_WL\n", {{0, 1}}},
        {"mapped away from each other", {"a.wl", "a.wt"}, "", {{0, 1}}},
#if defined(_WIN32) || defined(__APPLE__)
        {"case of letters", {"Roads.wl", "roads.wt"}, "", {{0, 1}}},
#else
        {"case of letters", {"Roads.wl", "roads.wt", "ROADS_wl.wp"}, "", {{0}, {1}, {2}}},
#endif
    };
    CalvornTest::TempDir dir;
    for (const Case& c : cases) {
        NameTables tables;
        CalvornTest::WriteFile(dir / "map.lyr", c.layerMap);
        tables.LoadLayerMap(dir / "map.lyr");
        std::vector<Job> rows;
        for (const char* source : c.sources) {
            rows.emplace_back(source, KindOfPath(source));
        }
        EXPECT_EQ(OutputGroups(rows, tables, "/out"), c.groups) << c.name;
    }
}

// What an observer sees of a run, progress aside (a parallel run may skip positions).
struct Story : BatchRunObserver {
    void RunStarted(std::size_t rows) override { calls.push_back("run " + std::to_string(rows)); }
    void RowStarted(std::size_t row, const Job& job) override
    {
        calls.push_back("start " + std::to_string(row) + " " + job.source.filename().string());
        progressOf = row;
    }
    void Progress(int position) override
    {
        // Positions only grow within a row, and only between its start and its end.
        EXPECT_GE(position, lastProgress);
        lastProgress = position;
    }
    void RowFinished(std::size_t row, const Job& job, int outcome) override
    {
        EXPECT_EQ(progressOf, row);
        lastProgress = -1;
        calls.push_back("end " + std::to_string(row) + " " + std::to_string(job.status) + " " +
                        std::to_string(outcome));
    }
    void StatusLineChanged(const std::string& text) override { calls.push_back(text); }

    std::vector<std::string> calls;
    std::size_t progressOf = 0;
    int lastProgress = -1;
};

// Every file under `folder`, by relative name.
std::map<std::string, std::string> FilesUnder(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] =
                CalvornTest::ReadFile(entry.path());
        }
    }
    return files;
}

TEST_F(BatchRunTest, OutputsLogAndStoryOfSeveralThreadsAreThoseOfOne)
{
    const fs::path in = dir / "in";
    fs::create_directories(in / "sub");
    // Rows whose names meet in several ways, files large enough to overlap in time, an empty
    // file, a broken one and a missing one.
    for (const char* sample : {"roads.wl", "towns.wt", "lakes.wp", "parcels.wb"}) {
        fs::copy_file(CalvornTest::BuiltSample(sample), in / sample);
        fs::copy_file(CalvornTest::BuiltSample(sample), in / "sub" / sample);
    }
    CalvornTest::MakeLineFile(in / "towns_ANN.wl", 3000);
    CalvornTest::MakeLineFile(in / "x.wl", 5000);
    CalvornTest::MakeLineFile(in / "x_WL.wl", 4000);
    CalvornTest::MakeLineFile(in / "big.wl", 20000);
    CalvornTest::MakeLineFile(in / "renamed.wl", 100);
    CalvornTest::MakeLineFile(in / "empty.wl", 0);
    CalvornTest::WriteFile(in / "broken.wp", "not a Torvex file");
    // x.wl twice makes x_WL, so x_WL.wl then makes x_WL_WL; roads.wl (renamed.wl mapped onto
    // roads) three times.
    for (const char* source : {"x.wl", "big.wl", "roads.wl", "towns.wt", "sub", "x.wl", "x_WL.wl",
                               "towns_ANN.wl", "renamed.wl", "empty.wl", "broken.wp", "missing.wl",
                               "roads.wl", "lakes.wp", "parcels.wb"}) {
        jobs.AddPath(in / source);
    }
    CalvornTest::WriteFile(settings.LayerMap, "renamed roads\n");
    options.SplitAnnotations = 1;
    options.DeleteEmptyResults = 0;

    struct Outcome {
        std::map<std::string, std::string> files;
        std::string log;
        std::vector<std::string> story;
        std::string summary;
    };
    const auto runWith = [&](int threads) {
        fs::remove_all(out);
        fs::create_directory(out);
        fs::remove(dir / "run.log");
        Calvorn::CConvertLog::Get().SetFile(dir / "run.log");
        Story story;
        run.SetObserver(&story);
        run.SetThreadCount(threads);
        const BatchResult result = run.Run(out, settings);
        run.SetObserver(nullptr);
        EXPECT_EQ(result.converted + result.empty + result.failed, static_cast<int>(jobs.Count()));
        Calvorn::CConvertLog::Get().SetFile(dir / "other.log");  // closes run.log
        return Outcome{FilesUnder(out), CalvornTest::ReadFile(dir / "run.log"), story.calls,
                       result.SummaryText()};
    };
    const Outcome one = runWith(1);
    ASSERT_GT(one.files.size(), 30u);
    ASSERT_NE(one.files.count("x_WL_WL.shp"), 0u);
    ASSERT_NE(one.files.count("roads_WL.shp"), 0u);
    for (const int threads : {2, 3, 8}) {
        const Outcome many = runWith(threads);
        EXPECT_EQ(many.summary, one.summary) << threads;
        EXPECT_EQ(many.story, one.story) << threads;
        EXPECT_TRUE(many.log == one.log) << threads << " threads: the logs differ";
        ASSERT_EQ(many.files.size(), one.files.size()) << threads;
        for (const auto& [name, bytes] : one.files) {
            const auto found = many.files.find(name);
            ASSERT_NE(found, many.files.end()) << threads << " threads: no " << name;
            EXPECT_TRUE(found->second == bytes) << threads << " threads: " << name << " differs";
        }
    }
}

}  // namespace
