// The job list: the files a batch run converts, as a model without windows. The desktop
// window shows it in its list view; the console fills it from its arguments.
//
// Only source files of the four kinds become rows (".WT" 2, ".WL" 3, ".WP" 4, ".WB" 5, by the
// extension without regard to case); the same path may be listed any number of times. The
// desktop lists the newest row first (a run then converts in the reverse of the order of
// adding); the console keeps the order in which it was given its files.
//
// Safe to use from several threads: a batch run on a worker thread sets row statuses while the
// window reads rows. Rows are handed out as copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "batch/Job.h"

namespace Calvorn {

class JobListObserver;

// The data files a project lists, as the job list adds them: each item's file-name part (split
// at "\\" and "/", whatever the platform; cut at a zero byte) joined to the project's own
// folder, in the project's order (when no file of that name is there, its one match in that
// folder that differs only in the case of ASCII letters: a project written on Windows); items
// without a source kind are left out. Empty when the project cannot be loaded. The files need
// not exist.
std::vector<std::filesystem::path> ProjectItemPaths(const std::filesystem::path& project);

class JobList {
public:
    enum class Order {
        NewestFirst,  // new rows at the top: the desktop's list
        AsAdded,      // new rows at the bottom: the console's order
    };

    explicit JobList(Order order = Order::NewestFirst);

    // The observer (or null) is called after each change; it must outlive its use here.
    void SetObserver(JobListObserver* observer);

    // Adds one row for `path` when its extension names a kind, and refreshes the status line
    // in any case. Returns the kind, or nothing when nothing was added. The file need not
    // exist: a missing file fails when it is converted.
    std::optional<Torvex::FileKind> AddFileToList(const std::filesystem::path& path);

    // Expands a project file: each item's file-name part (split at "\" and "/", whatever the
    // platform; cut at a zero byte) joined to the project's own folder, added as AddFileToList
    // would in the project's order, all in one insertion with one status line refresh. When no
    // file of that name is there, its one match in that folder that differs only in the case
    // of ASCII letters is taken instead (several or none: the name as written, which fails
    // when converted); an item whose path is too long for the system becomes a row with its
    // Job::problem. A project that cannot be loaded adds nothing. Returns the number of rows
    // added.
    std::size_t AddProject(const std::filesystem::path& project);

    // Offers every file in the tree under `folder` to AddFileToList, depth first, each folder's
    // entries (files and folders alike) in byte order of their UTF-8 names. Projects met in a
    // scan are not expanded. A folder reached again (a link or junction back up the tree) is
    // scanned once. What the scan cannot take is never left out silently: a folder that cannot
    // be read, and a folder or Torvex file whose path is too long or that vanished, become rows
    // with their Job::problem. Returns the rows added.
    std::size_t ScanFolder(const std::filesystem::path& folder);

    // What the add-files dialog and the console do with a path they are given: a folder is
    // scanned, a project (".MPJ") expanded, anything else offered to AddFileToList. Returns
    // the number of rows added.
    std::size_t AddPath(const std::filesystem::path& path);

    // Removes the rows at the given indices (any order; duplicates and indices out of range are
    // ignored), then refreshes the status line.
    void RemoveRows(std::vector<std::size_t> rows);
    // Removes every row, then refreshes the status line (also when the list was empty).
    void Clear();

    std::size_t Count() const;
    // Row `row`; throws std::out_of_range for an index past the end.
    Job At(std::size_t row) const;
    // Every row, top first.
    std::vector<Job> Rows() const;

    // Sets what the last conversion of `row` left: its status image, outcome and log lines
    // (kStatusNone and an empty block: not converted). An index out of range is ignored.
    void SetResult(std::size_t row, int status, int outcome, const LogBlock& log);

    // The status line for the current row count: "转换进度：[0/n] 当前共有n个待转换文件！".
    std::string StatusLineText() const;

private:
    // Adds `jobs` (in the order found) as AddFileToList one by one would, in one insertion.
    std::size_t InsertJobs(std::vector<Job> jobs);
    // `below` is the folder's relative path in the scan ("" for the folder scanned).
    void ScanFolderOnce(const std::filesystem::path& folder, const std::string& below,
                        std::set<std::pair<std::uint64_t, std::uint64_t>>& scanned,
                        std::vector<Job>& jobs);
    void NotifyStatusLine();

    const Order m_order;
    JobListObserver* m_observer = nullptr;
    mutable std::mutex m_mutex;
    std::vector<Job> m_rows;
};

}  // namespace Calvorn
