#include "batch/BatchRun.h"

#include <gtest/gtest.h>

#include "app/NameTables.h"
#include "app/PathSettings.h"
#include "batch/BatchRunObserver.h"
#include "batch/JobList.h"
#include "convert/ShapelibIo.h"
#include "tests/batch/BatchTestFiles.h"

namespace {

using namespace Calvorn;
using CalvornTest::ShownMessage;
namespace fs = std::filesystem;

using RecordingObserver = CalvornTest::EventRecorder;

class BatchRunTest : public CalvornTest::BatchFixture {
protected:
    BatchRunTest()
    {
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
};

TEST_F(BatchRunTest, PreconditionsWarnAndConvertNothing)
{
    auto warning = [](const char* text) {
        return std::vector<ShownMessage>{{text, "警告", MessageIcon::Exclamation}};
    };
    const std::tuple<bool, fs::path, BatchPrecondition, const char*> cases[] = {
        {false, "", BatchPrecondition::NoRows, "待转换文件集合不能为空!"},
        {false, out, BatchPrecondition::NoRows, "待转换文件集合不能为空!"},
        {true, "", BatchPrecondition::NoOutputFolder, "输出路径不能为空!"},
        {true, dir / "missing", BatchPrecondition::OutputFolderMissing, "输出路径不存在!"},
    };
    for (const auto& [withRow, folder, precondition, text] : cases) {
        jobs.Clear();
        if (withRow) {
            jobs.AddFileToList(CalvornTest::BuiltSample("roads.wl"));
        }
        sink.shown.clear();
        EXPECT_EQ(run.Run(folder, settings).precondition, precondition);
        EXPECT_EQ(sink.shown, warning(text));
    }
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_EQ(Statuses(), std::vector<int>{kStatusNone});
}

// Good, empty, deleted-since-added and table rows: each row's status and counter, the run
// going on after the failure, the layer table loaded at the start, the summary.
TEST_F(BatchRunTest, ConvertsEveryRowAndSummarises)
{
    CalvornTest::WriteFile(settings.LayerMap, "parcels,Parcels_2010\n");
    jobs.AddFileToList(CalvornTest::MakeLineFile(dir / "good.wl", 3));
    jobs.AddFileToList(CalvornTest::MakeLineFile(dir / "empty.wl", 0));
    jobs.AddFileToList(CalvornTest::MakeLineFile(dir / "deleted.wl", 1));
    jobs.AddFileToList(CalvornTest::BuiltSample("parcels.wb"));
    fs::remove(dir / "deleted.wl");
    RecordingObserver observer;
    run.SetObserver(&observer);

    EXPECT_TRUE(run.Run(out, settings).Ran());
    EXPECT_EQ(Statuses(), (std::vector<int>{9, 8, 10, 9}));
    EXPECT_EQ(observer.finished,
              (std::vector<std::pair<int, int>>{{9, 0}, {8, 10}, {10, 1}, {9, 0}}));
    EXPECT_EQ(observer.events, (std::vector<std::string>{
                                   "转换进度：[1/4] 转换完成！", "转换进度：[2/4] 转换完成！",
                                   "转换进度：[3/4] 转换完成！", "转换进度：[4/4] 转换完成！"}));
    EXPECT_EQ(observer.lastProgress, 100);
    EXPECT_TRUE(fs::exists(out / "good.shp"));
    EXPECT_TRUE(fs::exists(out / "Parcels_2010.dbf"));
    const ShownMessage summary{
        "  转换完成。\n  共有1个空文件未被转换!\n  共有2个文件被正确转换!\n  共有1个文件转换失败!",
        "文件转换完成", MessageIcon::Information};
    EXPECT_EQ(sink.shown, std::vector<ShownMessage>{summary});
    // Each row keeps the lines its conversion logged, for the user.
    const Job failed = jobs.At(2);
    EXPECT_EQ(failed.outcome, 1);
    EXPECT_EQ(failed.log.Lines().front(),
              "开始转换【" + (dir / "deleted.wl").string() + "】------");
    EXPECT_EQ(failed.log.EndLine(), "------结束转换【文件打开失败】------");
    EXPECT_EQ(jobs.At(0).log.EndLine(), "------结束转换【全部正确转换(3/3)】------");
}

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
    const ShownMessage summary{"  转换完成。\n  共有1个文件被正确转换!\n  共有1个文件转换失败!",
                               "文件转换完成", MessageIcon::Information};
    EXPECT_EQ(sink.shown, std::vector<ShownMessage>{summary});
    EXPECT_EQ(fs::file_size(out / "next.shx"), 100u + 3u * 8u);
}

// A stop asked for during a file lets that file finish and converts no further row; the rows
// left lose the status of the earlier run; the next run starts afresh.
TEST_F(BatchRunTest, StopsBetweenFiles)
{
    for (const char* name : {"a.wl", "b.wl", "c.wl"}) {
        jobs.AddFileToList(CalvornTest::MakeLineFile(dir / name, 2));
    }
    run.Run(out, settings);
    ASSERT_EQ(Statuses(), (std::vector<int>{9, 9, 9}));

    RecordingObserver stopper;
    stopper.stopAfterRow = &run;
    run.SetObserver(&stopper);
    sink.shown.clear();
    const BatchResult stopped = run.Run(out, settings);
    EXPECT_EQ(stopper.started, std::vector<std::size_t>{0});
    EXPECT_EQ(stopped.converted, 1);
    EXPECT_EQ(stopped.notConverted, 2);
    EXPECT_EQ(Statuses(), (std::vector<int>{9, kStatusNone, kStatusNone}));
    EXPECT_EQ(sink.shown.at(0).text,
              "  转换完成。\n  共有1个文件被正确转换!\n  已停止，共有2个文件未转换!");

    run.SetObserver(nullptr);
    EXPECT_FALSE(run.StopRequested());
    EXPECT_EQ(run.Run(out, settings).converted, 3);
}

}  // namespace
