// Damaged and hostile input at the level of the job list and the batch run: projects that
// list themselves, hundreds of thousands of items or names cut by a zero byte; sources that
// vanish between adding and converting; a log folder that cannot be used.
#include <gtest/gtest.h>

#include "app/AppLocations.h"
#include "app/NameTables.h"
#include "app/PathSettings.h"
#include "batch/BatchRun.h"
#include "batch/BatchRunObserver.h"
#include "batch/JobList.h"
#include "batch/JobListObserver.h"
#include "tests/batch/BatchTestFiles.h"
#include "torvex/Gbk.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

using CalvornTest::EventRecorder;

// The log's lines without ">" and the line end, decoded from GBK.
Names LogLines(const fs::path& log)
{
    Names lines;
    const std::string text = Torvex::GbkToUtf8(CalvornTest::ReadFile(log));
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start + 1, end - start - 1));
        start = end + 2;
    }
    return lines;
}

fs::path MakeProject(const fs::path& path, const Names& items)
{
    Torvex::TorvexBuilder project(Torvex::FileKind::Project);
    for (const std::string& item : items) {
        project.AddProjectItem(item);
    }
    project.WriteTo(path);
    return path;
}

// A project listing itself adds nothing and expands nothing; a name ends at a zero byte; the
// items of a huge project come in one insertion, in the project's order.
TEST(HostileProjectTest, ItemsBoundedByTheProjectFile)
{
    using namespace std::string_literals;
    CalvornTest::TempDir dir;
    JobList list;
    EventRecorder recorder;
    list.SetObserver(&recorder);
    EXPECT_EQ(list.AddPath(MakeProject(dir / "self.mpj", {"self.mpj", "D:\\maps\\self.MPJ"})), 0u);
    EXPECT_EQ(list.AddPath(MakeProject(dir / "zero.mpj", {"a\0b.wl"s, "c.wt\0.doc"s, "\0"s})), 1u);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.At(0).source, dir / "c.wt");

    Names items;
    for (int i = 0; i < 300000; ++i) {
        items.push_back("D:\\m\\" + std::to_string(i) + ".wl");
    }
    recorder.events.clear();
    EXPECT_EQ(list.AddPath(MakeProject(dir / "huge.mpj", items)), 300000u);
    EXPECT_EQ(recorder.events, (Names{"+0,300000", list.StatusLineText()}));
    ASSERT_EQ(list.Count(), 300001u);
    // Newest first: the last item on top, the row added before at the bottom.
    EXPECT_EQ(list.At(0).source, dir / "299999.wl");
    EXPECT_EQ(list.At(299999).source, dir / "0.wl");
    EXPECT_EQ(list.At(300000).source, dir / "c.wt");

    JobList asAdded(JobList::Order::AsAdded);
    asAdded.AddFileToList(dir / "first.wb");
    EXPECT_EQ(asAdded.AddProject(dir / "huge.mpj"), 300000u);
    EXPECT_EQ(asAdded.At(1).source, dir / "0.wl");
    EXPECT_EQ(asAdded.At(300000).source, dir / "299999.wl");
}

class HostileBatchTest : public CalvornTest::BatchFixture {
protected:
    BatchResult Run()
    {
        run.SetObserver(&recorder);
        return run.Run(out, settings);
    }

    EventRecorder recorder;
};

// Sources that vanish after being added, or whose name no file system takes, fail alone with
// their Open end line and the run goes on. (Sources that cannot be read, and mapping files that
// cannot, are cases in tests/cases/hostile.)
TEST_F(HostileBatchTest, VanishedSourcesFailAlone)
{
    CalvornTest::LogInto(dir);
    // The last name is one no file system takes.
    const std::pair<std::string, bool> rows[] = {{"good.wl", true},
                                                 {"deleted.wl", false},
                                                 {"folder.wl", false},
                                                 {"last.wl", true},
                                                 {std::string(4000, 'n') + ".wl", false}};
    Names expected;
    for (const auto& [name, opens] : rows) {
        jobs.AddFileToList(name.size() > 255 ? dir / name
                                             : CalvornTest::MakeLineFile(dir / name, 2));
        expected.push_back("开始转换【" + (dir / name).string() + "】------");
        expected.push_back(opens ? "------结束转换【全部正确转换(2/2)】------"
                                 : "------结束转换【文件打开失败】------");
    }
    fs::remove(dir / "deleted.wl");
    fs::remove(dir / "folder.wl");
    fs::create_directory(dir / "folder.wl");

    const BatchResult result = Run();
    EXPECT_EQ(result.converted, 2);
    EXPECT_EQ(result.failed, 3);
    EXPECT_EQ(recorder.finished,
              (std::vector<std::pair<int, int>>{{9, 0}, {10, 1}, {10, 1}, {9, 0}, {10, 1}}));
    EXPECT_EQ(LogLines(dir / "CalvornExp.log"), expected);
    EXPECT_TRUE(fs::exists(out / "good.shp") && fs::exists(out / "last.shp"));
}

// The executable's folder cannot hold the log (here it is a file): the log goes to the user's
// folder and the conversion is not affected.
TEST_F(HostileBatchTest, LogFallsBackToTheUsersFolder)
{
    CalvornTest::WriteFile(dir / "exe", "");
    CConvertLog::Get().Configure(AppLocations(dir / "exe", dir / "user"));
    jobs.AddFileToList(CalvornTest::MakeLineFile(dir / "a.wl", 1));
    EXPECT_EQ(Run().converted, 1);
    EXPECT_EQ(CConvertLog::Get().Path(), dir / "user" / "CalvornExp.log");
    EXPECT_EQ(LogLines(dir / "user" / "CalvornExp.log"),
              (Names{"开始转换【" + (dir / "a.wl").string() + "】------",
                     "------结束转换【全部正确转换(1/1)】------"}));
    EXPECT_TRUE(fs::exists(out / "a.shp"));
    CalvornTest::LogInto(dir);
}

}  // namespace
