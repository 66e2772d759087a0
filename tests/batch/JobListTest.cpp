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

// The rows' paths relative to `base`, top first.
Names RowNames(const JobList& list, const fs::path& base = {})
{
    Names names;
    for (const Job& job : list.Rows()) {
        names.push_back(job.source.lexically_relative(base.empty() ? "." : base).string());
    }
    return names;
}

std::string Waiting(int n)
{
    return "转换进度：[0/" + std::to_string(n) + "] 当前共有" + std::to_string(n) +
           "个待转换文件！";
}

// Only the four kinds become rows; every offered file refreshes the status line; the desktop
// puts new rows at the top, the console at the bottom; duplicates are kept.
TEST(JobListTest, KindsOrderAndStatusLine)
{
    JobList newestFirst;
    JobList asAdded(JobList::Order::AsAdded);
    RecordingObserver observer;
    newestFirst.SetObserver(&observer);
    using Torvex::FileKind;
    const std::pair<const char*, std::optional<FileKind>> offered[] = {
        {"a.wt", FileKind::Point}, {"b.WL", FileKind::Line}, {"c.Wp", FileKind::Polygon},
        {"a.wt", FileKind::Point}, {"m.mpj", std::nullopt},  {"x.wl.bak", std::nullopt},
        {"d.wb", FileKind::Table},
    };
    for (const auto& [path, kind] : offered) {
        EXPECT_EQ(newestFirst.AddFileToList(path), kind) << path;
        asAdded.AddFileToList(path);
    }
    EXPECT_EQ(RowNames(asAdded), (Names{"a.wt", "b.WL", "c.Wp", "a.wt", "d.wb"}));
    EXPECT_EQ(RowNames(newestFirst), (Names{"d.wb", "a.wt", "c.Wp", "b.WL", "a.wt"}));
    EXPECT_EQ(newestFirst.At(3).kind, FileKind::Line);
    EXPECT_EQ(newestFirst.At(3).status, kStatusNone);
    EXPECT_EQ(observer.events,
              (Names{"+0,1", Waiting(1), "+0,1", Waiting(2), "+0,1", Waiting(3), "+0,1", Waiting(4),
                     Waiting(4), Waiting(4), "+0,1", Waiting(5)}));

    observer.events.clear();
    newestFirst.RemoveRows({4, 0, 3, 3, 99});
    EXPECT_EQ(RowNames(newestFirst), (Names{"a.wt", "c.Wp"}));
    newestFirst.Clear();
    newestFirst.Clear();
    EXPECT_EQ(observer.events, (Names{"-3,2", "-0,1", Waiting(2), "-0,2", Waiting(0), Waiting(0)}));
}

// Items recorded under other folders, with either separator, are taken from the project's own
// folder in the stored order; a project that cannot be read adds nothing.
TEST(JobListTest, ProjectItemsJoinTheProjectsFolder)
{
    CalvornTest::TempDir dir;
    Torvex::TorvexBuilder project(Torvex::FileKind::Project);
    for (const char* item :
         {"D:\\maps\\roads.wl", "/home/u/towns.wt", "C:\\x/y\\lakes.wp", "notes.txt", "", "p.wb"}) {
        project.AddProjectItem(item);
    }
    project.WriteTo(dir / "map.MPJ");
    CalvornTest::WriteFile(dir / "broken.mpj", "not a project");

    JobList list(JobList::Order::AsAdded);
    EXPECT_EQ(list.AddPath(dir / "map.MPJ"), 4u);
    EXPECT_EQ(list.AddPath(dir / "broken.mpj"), 0u);
    EXPECT_EQ(list.AddPath(dir / "missing.mpj"), 0u);
    EXPECT_EQ(RowNames(list, dir.Path()), (Names{"roads.wl", "towns.wt", "lakes.wp", "p.wb"}));

    // A name not found as written is the one file whose name differs only in letter case;
    // with several such files, or none, the name stays as written.
    for (const char* name : {"roads.wl", "Lakes.wp", "LAKES.WP", "x.wt"}) {
        CalvornTest::WriteFile(dir / name, "");
    }
    Torvex::TorvexBuilder windows(Torvex::FileKind::Project);
    for (const char* item :
         {"D:\\maps\\ROADS.WL", "D:\\maps\\lakes.WP", "D:\\maps\\x.wt", "D:\\maps\\GONE.WB"}) {
        windows.AddProjectItem(item);
    }
    windows.WriteTo(dir / "windows.mpj");
    list.Clear();
    EXPECT_EQ(list.AddPath(dir / "windows.mpj"), 4u);
    EXPECT_EQ(RowNames(list, dir.Path()), (Names{"roads.wl", "lakes.WP", "x.wt", "GONE.WB"}));
}

// Other files are dropped and projects not expanded; entries come in byte order, depth first;
// a link back up the tree does not lead into it again; paths have no length limit.
TEST(JobListTest, ScanFolderTree)
{
    CalvornTest::TempDir dir;
    const fs::path root = dir / "root";
    const fs::path deep =
        root / "sub" / std::string(120, 'd') / std::string(120, 'e') / std::string(120, 'f');
    fs::create_directories(deep);
    for (const fs::path& file : {root / "a.wt", root / "b.doc", root / "B.wl", root / "z.wp",
                                 root / "sub" / "c.WL", deep / "d.wb"}) {
        CalvornTest::WriteFile(file, "");
    }
    std::filesystem::copy_file(CalvornTest::BuiltSample("map.mpj"), root / "m.mpj");
    fs::create_directory_symlink(root, root / "sub" / "loop");
    fs::create_directory_symlink(dir / "gone", root / "dangling.wl");

    JobList list(JobList::Order::AsAdded);
    EXPECT_EQ(list.ScanFolder(root), 6u);
    const std::string deepName = deep.lexically_relative(root).string();
    EXPECT_EQ(RowNames(list, root),
              (Names{"B.wl", "a.wt", "dangling.wl", "sub/c.WL", deepName + "/d.wb", "z.wp"}));
    EXPECT_EQ(list.AddPath(deep), 1u);
    // From below, the link leads up to the root once, and the root's "sub" is not entered again.
    EXPECT_EQ(list.ScanFolder(root / "sub"), 6u);
    // A folder gone before it was scanned is not left out silently.
    EXPECT_EQ(list.ScanFolder(dir / "missing"), 1u);
    EXPECT_EQ(list.At(list.Count() - 1).problem, "没有那个文件或目录");
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
