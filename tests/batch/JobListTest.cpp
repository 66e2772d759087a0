#include "batch/JobList.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/JobListObserver.h"
#include "tests/batch/BatchTestFiles.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

using RecordingObserver = CalvornTest::EventRecorder;

// The rows' paths, top first.
Names RowNames(const JobList& list)
{
    Names names;
    for (const Job& job : list.Rows()) {
        names.push_back(job.source.string());
    }
    return names;
}

std::string Waiting(int n)
{
    return "转换进度：[0/" + std::to_string(n) + "] 当前共有" + std::to_string(n) +
           "个待转换文件！";
}

// Only the four kinds, by extension in any letter case, become rows; every offered file refreshes
// the status line; the desktop puts new rows at the top, the console at the bottom; duplicates are
// kept.
TEST(JobListTest, KindsOrderAndStatusLine)
{
    JobList newestFirst;
    JobList asAdded(JobList::Order::AsAdded);
    RecordingObserver observer;
    newestFirst.SetObserver(&observer);
    using Torvex::FileKind;
    const std::pair<const char*, std::optional<FileKind>> offered[] = {
        {"a.wt", FileKind::Point}, {"b.WL", FileKind::Line},    {".Wp", FileKind::Polygon},
        {"a.wt", FileKind::Point}, {"m.mpj", std::nullopt},     {"x.wl.bak", std::nullopt},
        {"wl.wl/x", std::nullopt}, {"d.e.wb", FileKind::Table},
    };
    for (const auto& [path, kind] : offered) {
        EXPECT_EQ(newestFirst.AddFileToList(path), kind) << path;
        asAdded.AddFileToList(path);
    }
    EXPECT_EQ(RowNames(asAdded), (Names{"a.wt", "b.WL", ".Wp", "a.wt", "d.e.wb"}));
    EXPECT_EQ(RowNames(newestFirst), (Names{"d.e.wb", "a.wt", ".Wp", "b.WL", "a.wt"}));
    EXPECT_EQ(newestFirst.At(3).kind, FileKind::Line);
    EXPECT_EQ(newestFirst.At(3).status, kStatusNone);
    EXPECT_EQ(observer.events,
              (Names{"+0,1", Waiting(1), "+0,1", Waiting(2), "+0,1", Waiting(3), "+0,1", Waiting(4),
                     Waiting(4), Waiting(4), Waiting(4), "+0,1", Waiting(5)}));

    observer.events.clear();
    newestFirst.RemoveRows({4, 0, 3, 3, 99});
    EXPECT_EQ(RowNames(newestFirst), (Names{"a.wt", ".Wp"}));
    newestFirst.Clear();
    newestFirst.Clear();
    EXPECT_EQ(observer.events, (Names{"-3,2", "-0,1", Waiting(2), "-0,2", Waiting(0), Waiting(0)}));
}

// A folder gone before it is scanned is not left out silently. (Project items and folder scans
// are cases in tests/cases/sources.)
TEST(JobListTest, MissingFolderBecomesAFailingRow)
{
    JobList list;
    EXPECT_EQ(list.ScanFolder("/calvorn-missing"), 1u);
    EXPECT_EQ(list.At(0).problem, "没有那个文件或目录");
}

// The items of a huge project come in one insertion, in the project's order. (Projects that
// list themselves or hold zero bytes are cases in tests/cases/sources.)
TEST(JobListTest, HugeProjectComesInOneInsertion)
{
    CalvornTest::TempDir dir;
    JobList list;
    RecordingObserver recorder;
    list.SetObserver(&recorder);
    list.AddFileToList(dir / "c.wt");
    Names items;
    for (int i = 0; i < 300000; ++i) {
        items.push_back("D:\\m\\" + std::to_string(i) + ".wl");
    }
    recorder.events.clear();
    EXPECT_EQ(list.AddPath(CalvornTest::MakeProject(dir / "huge.mpj", items)), 300000u);
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

// The scan runs in a child process without privileges: the super-user reads every folder.
TEST(JobListTest, UnreadableFolderBecomesAFailingRow)
{
    CalvornTest::TempDir dir;
    fs::create_directories(dir / "locked");
    CalvornTest::WriteFile(dir / "locked" / "x.wl", "");
    CalvornTest::WriteFile(dir / "y.wl", "");
    fs::permissions(dir.Path(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
    fs::permissions(dir / "locked", fs::perms::none);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(100);
        }
        JobList list(JobList::Order::AsAdded);
        _exit(list.ScanFolder(dir.Path()) == 2 && list.At(0).source == dir / "locked" &&
                      list.At(0).problem == "权限不够" && list.At(1).source == dir / "y.wl" &&
                      list.At(1).problem.empty()
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
