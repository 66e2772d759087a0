// Batches converted on several threads: which rows must share a thread, and that the outputs,
// the log and what an observer sees are those of a run on one thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/NameTables.h"
#include "app/PathSettings.h"
#include "batch/BatchRun.h"
#include "batch/BatchRunObserver.h"
#include "batch/FileLog.h"
#include "batch/JobList.h"
#include "batch/OutputGroups.h"
#include "convert/SourceKinds.h"
#include "tests/batch/BatchTestFiles.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;
using Groups = std::vector<std::vector<std::size_t>>;

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

TEST(ParallelBatch, OutputsLogAndStoryAreThoseOfOneThread)
{
    CalvornTest::TempDir dir;
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
    const std::vector<fs::path> sources = {
        in / "x.wl",       in / "big.wl",   in / "roads.wl",   in / "towns.wt",
        in / "sub",        in / "x.wl",     in / "x_WL.wl",    in / "towns_ANN.wl",
        in / "renamed.wl", in / "empty.wl", in / "broken.wp",  in / "missing.wl",
        in / "roads.wl",   in / "lakes.wp", in / "parcels.wb",
    };
    CalvornTest::WriteFile(dir / "layers.lyr", "renamed roads\n");

    struct Outcome {
        std::map<std::string, std::string> files;
        std::string log;
        std::vector<std::string> story;
        std::string summary;
    };
    const auto runWith = [&](int threads) {
        const fs::path out = dir / "out";
        fs::remove_all(out);
        fs::create_directory(out);
        fs::remove(dir / "run.log");
        Calvorn::CConvertLog::Get().SetFile(dir / "run.log");
        JobList jobs(JobList::Order::AsAdded);
        for (const fs::path& source : sources) {
            jobs.AddPath(source);
        }
        ConversionOptions options;
        options.SplitAnnotations = 1;
        options.DeleteEmptyResults = 0;
        NameTables tables;
        PathSettings settings;
        settings.LayerMap = dir / "layers.lyr";
        CalvornTest::RecordingSink sink;
        Story story;
        BatchRun run(jobs, options, tables, sink);
        run.SetObserver(&story);
        run.SetThreadCount(threads);
        const BatchResult result = run.Run(out, settings);
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

TEST(ParallelBatch, StopFinishesFilesInProgressAndClearsTheOthers)
{
    CalvornTest::TempDir dir;
    CalvornTest::LogInto(dir);
    fs::create_directory(dir / "out");
    JobList jobs(JobList::Order::AsAdded);
    for (int i = 0; i < 12; ++i) {
        jobs.AddFileToList(
            CalvornTest::MakeLineFile(dir / ("f" + std::to_string(i) + ".wl"), 2000));
    }
    ConversionOptions options;
    NameTables tables;
    CalvornTest::RecordingSink sink;
    BatchRun run(jobs, options, tables, sink);
    run.SetThreadCount(3);
    const auto statuses = [&jobs] {
        std::vector<int> all;
        for (const Job& job : jobs.Rows()) {
            all.push_back(job.status);
        }
        return all;
    };
    EXPECT_EQ(run.Run(dir / "out", PathSettings{}).converted, 12);
    EXPECT_EQ(statuses(), std::vector<int>(12, kStatusConverted));

    // A stop asked for before the run: no file starts, no row keeps its old status.
    run.RequestStop();
    const BatchResult stopped = run.Run(dir / "out", PathSettings{});
    EXPECT_EQ(stopped.converted + stopped.empty + stopped.failed, 0);
    EXPECT_EQ(stopped.notConverted, 12);
    EXPECT_EQ(statuses(), std::vector<int>(12, kStatusNone));
    EXPECT_FALSE(run.StopRequested());

    // A stop during the run: how many files were under way by then is up to the threads, but
    // each row is either converted or untouched.
    struct StopAtFirstEnd : BatchRunObserver {
        void RowFinished(std::size_t, const Job&, int) override { run->RequestStop(); }
        BatchRun* run = nullptr;
    } observer;
    observer.run = &run;
    run.SetObserver(&observer);
    const BatchResult result = run.Run(dir / "out", PathSettings{});
    EXPECT_GE(result.converted, 1);
    EXPECT_EQ(result.converted + result.notConverted, 12);
    const std::vector<int> after = statuses();
    EXPECT_EQ(std::count(after.begin(), after.end(), kStatusNone), result.notConverted);
    EXPECT_FALSE(run.StopRequested());
}

}  // namespace
