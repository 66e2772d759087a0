#include "batch/JobList.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "app/PathText.h"
#include "app/UserText.h"
#include "batch/JobListObserver.h"
#include "batch/StatusLine.h"
#include "convert/SourceKinds.h"
#include "torvex/Torvex_Prj.h"

namespace Calvorn {

namespace {

bool IsProjectPath(const std::filesystem::path& path)
{
    return HasExtension(path, kProjectExtension);
}

// The file-name part of a path stored in a project, which may come from another machine:
// "D:\maps\roads.wl" gives "roads.wl" here too.
std::string StoredFileName(const std::string& stored)
{
#ifdef _WIN32
    const char* separators = "\\/:";
#else
    const char* separators = "\\/";
#endif
    const std::size_t cut = stored.find_last_of(separators);
    return cut == std::string::npos ? stored : stored.substr(cut + 1);
}

bool IsFolder(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

Job ProblemJob(const std::filesystem::path& path, std::string relative,
               const std::error_code& error)
{
    Job job(path, KindOfPath(path));
    job.relative = std::move(relative);
    job.problem = SystemErrorText(error);
    return job;
}

Job FileJob(const std::filesystem::path& path, std::string relative, Torvex::FileKind kind)
{
    Job job(path, kind);
    job.relative = std::move(relative);
    return job;
}

std::string JoinRelative(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

// Whether the system would refuse `path` for its length, whatever the file system says.
bool IsTooLong(const std::filesystem::path& path)
{
#ifdef PATH_MAX
    return path.native().size() >= PATH_MAX;
#else
    return false;
#endif
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// The names in a project's folder, read once when a project item is not found as written.
class FolderNames {
public:
    explicit FolderNames(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    // `name` when a file of that name is in the folder; else its one match in another letter
    // case (a project written on Windows, where "ROADS.WL" is roads.wl); else `name`.
    std::filesystem::path Resolve(const std::string& name)
    {
        const std::filesystem::path path = m_folder / Utf8ToPath(name);
        std::error_code error;
        if (name.empty() || std::filesystem::exists(path, error)) {
            return path;
        }
        if (!m_read) {
            m_read = true;
            // A project named without a folder lies in the current one.
            std::filesystem::directory_iterator it(m_folder.empty() ? "." : m_folder, error);
            for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
                m_names.push_back(PathToUtf8(it->path().filename()));
            }
        }
        const std::string* match = nullptr;
        for (const std::string& candidate : m_names) {
            if (SameIgnoringAsciiCase(candidate, name)) {
                if (match != nullptr) {
                    return path;  // several: none is the one meant
                }
                match = &candidate;
            }
        }
        return match != nullptr ? m_folder / Utf8ToPath(*match) : path;
    }

private:
    std::filesystem::path m_folder;
    std::vector<std::string> m_names;
    bool m_read = false;
};

}  // namespace

std::vector<std::filesystem::path> ProjectItemPaths(const std::filesystem::path& project)
{
    Torvex::Torvex_Prj reader;
    const int count = reader.LoadProject(project);
    FolderNames folder(project.parent_path());
    std::vector<std::filesystem::path> paths;
    for (int i = 0; i < count; ++i) {
        std::string stored;
        reader.GetItemInfo(i, &stored, nullptr, nullptr);
        // A name ends at its first zero byte: the system would cut the path there when opening
        // it. An empty name leaves the folder itself, which has no kind and is dropped.
        stored.resize(std::min(stored.size(), stored.find('\0')));
        std::filesystem::path path = folder.Resolve(StoredFileName(stored));
        if (KindOfPath(path)) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

JobList::JobList(Order order) : m_order(order) {}

void JobList::SetObserver(JobListObserver* observer)
{
    m_observer = observer;
}

std::optional<Torvex::FileKind> JobList::AddFileToList(const std::filesystem::path& path)
{
    const std::optional<Torvex::FileKind> kind = KindOfPath(path);
    std::vector<Job> jobs;
    if (kind) {
        jobs.push_back(FileJob(path, PathToUtf8(path.filename()), *kind));
    }
    InsertJobs(std::move(jobs));
    return kind;
}

std::size_t JobList::AddProject(const std::filesystem::path& project)
{
    const std::string projectName = PathToUtf8(project.filename().stem());
    std::vector<Job> jobs;
    for (std::filesystem::path& path : ProjectItemPaths(project)) {
        const Torvex::FileKind kind = *KindOfPath(path);
        std::string relative = JoinRelative(projectName, PathToUtf8(path.filename()));
        if (IsTooLong(path)) {
            jobs.push_back(ProblemJob(path, std::move(relative),
                                      std::make_error_code(std::errc::filename_too_long)));
        } else {
            jobs.push_back(FileJob(path, std::move(relative), kind));
        }
    }
    return InsertJobs(std::move(jobs));
}

std::size_t JobList::InsertJobs(std::vector<Job> jobs)
{
    // Many rows (a large project or folder tree) are inserted in one go: one insertion each at
    // the top would take time growing with the square of their number.
    if (!jobs.empty()) {
        std::size_t row = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_order == Order::NewestFirst) {
                m_rows.insert(m_rows.begin(), std::make_move_iterator(jobs.rbegin()),
                              std::make_move_iterator(jobs.rend()));
            } else {
                row = m_rows.size();
                m_rows.insert(m_rows.end(), std::make_move_iterator(jobs.begin()),
                              std::make_move_iterator(jobs.end()));
            }
        }
        if (m_observer != nullptr) {
            m_observer->RowsInserted(row, jobs.size());
        }
    }
    NotifyStatusLine();
    return jobs.size();
}

std::size_t JobList::ScanFolder(const std::filesystem::path& folder)
{
    std::set<std::pair<std::uint64_t, std::uint64_t>> scanned;
    std::vector<Job> jobs;
    ScanFolderOnce(folder, {}, scanned, jobs);
    return InsertJobs(std::move(jobs));
}

void JobList::ScanFolderOnce(const std::filesystem::path& folder, const std::string& below,
                             std::set<std::pair<std::uint64_t, std::uint64_t>>& scanned,
                             std::vector<Job>& jobs)
{
    // Folders are known by their device and inode, so a link back up the tree ends the descent
    // (one look each: resolving a canonical path costs a look per name in it).
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        jobs.push_back(ProblemJob(folder, below, std::error_code(errno, std::generic_category())));
        return;
    }
    if (!scanned.emplace(info.st_dev, info.st_ino).second) {
        return;
    }
    std::error_code error;

    std::vector<std::pair<std::string, std::filesystem::directory_entry>> entries;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        entries.emplace_back(PathToUtf8(it->path().filename()), *it);
    }
    if (error) {
        jobs.push_back(ProblemJob(folder, below, error));
    }
    // The file system's own order differs between machines; names in byte order do not.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });

    for (const auto& [name, entry] : entries) {
        const std::filesystem::path& path = entry.path();
        // The type comes with the folder's listing where the system gives it: no look at a
        // path that may be too long to look at.
        std::error_code typeError;
        const bool isFolder = entry.is_directory(typeError);
        const std::optional<Torvex::FileKind> kind = KindOfPath(path);
        std::string relative = JoinRelative(below, name);
        if (isFolder) {
            ScanFolderOnce(path, relative, scanned, jobs);
        } else if (typeError && typeError != std::errc::no_such_file_or_directory) {
            // Maybe a folder (a link to one): what it holds cannot be known.
            jobs.push_back(ProblemJob(path, std::move(relative), typeError));
        } else if (!kind) {
            continue;
        } else if (IsTooLong(path)) {
            jobs.push_back(ProblemJob(path, std::move(relative),
                                      std::make_error_code(std::errc::filename_too_long)));
        } else {
            jobs.push_back(FileJob(path, std::move(relative), *kind));
        }
    }
}

std::size_t JobList::AddPath(const std::filesystem::path& path)
{
    if (IsFolder(path)) {
        return ScanFolder(path);
    }
    if (IsProjectPath(path)) {
        return AddProject(path);
    }
    return AddFileToList(path) ? 1 : 0;
}

void JobList::RemoveRows(std::vector<std::size_t> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Ranges of adjacent rows, last first, so that each range's indices are still valid when
    // the observer hears of it.
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    {
        std::lock_guard lock(m_mutex);
        while (!rows.empty() && rows.back() >= m_rows.size()) {
            rows.pop_back();
        }
        while (!rows.empty()) {
            std::size_t first = rows.back();
            std::size_t count = 1;
            rows.pop_back();
            while (!rows.empty() && rows.back() + 1 == first) {
                first = rows.back();
                ++count;
                rows.pop_back();
            }
            ranges.emplace_back(first, count);
        }
        // All in one pass: a range at a time would move the rows behind it again for every
        // range, which a console run that keeps every fourth row of a large archive meets.
        std::size_t kept = 0;
        auto range = ranges.rbegin();
        for (std::size_t row = 0; row < m_rows.size(); ++row) {
            while (range != ranges.rend() && row >= range->first + range->second) {
                ++range;
            }
            if (range != ranges.rend() && row >= range->first) {
                continue;
            }
            if (kept != row) {
                m_rows[kept] = std::move(m_rows[row]);
            }
            ++kept;
        }
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(kept), m_rows.end());
    }
    if (m_observer != nullptr) {
        for (const auto& [first, count] : ranges) {
            m_observer->RowsRemoved(first, count);
        }
    }
    NotifyStatusLine();
}

void JobList::Clear()
{
    std::size_t count = 0;
    {
        std::lock_guard lock(m_mutex);
        count = m_rows.size();
        m_rows.clear();
    }
    if (count > 0 && m_observer != nullptr) {
        m_observer->RowsRemoved(0, count);
    }
    NotifyStatusLine();
}

std::size_t JobList::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_rows.size();
}

Job JobList::At(std::size_t row) const
{
    std::lock_guard lock(m_mutex);
    return m_rows.at(row);
}

std::vector<Job> JobList::Rows() const
{
    std::lock_guard lock(m_mutex);
    return m_rows;
}

void JobList::SetResult(std::size_t row, int status, int outcome, const LogBlock& log)
{
    {
        std::lock_guard lock(m_mutex);
        if (row >= m_rows.size()) {
            return;
        }
        Job& job = m_rows[row];
        job.status = status;
        job.outcome = outcome;
        job.log = log;
    }
    if (m_observer != nullptr) {
        m_observer->RowStatusChanged(row);
    }
}

std::string JobList::StatusLineText() const
{
    return StatusLineWaiting(Count());
}

void JobList::NotifyStatusLine()
{
    if (m_observer != nullptr) {
        m_observer->StatusLineChanged(StatusLineText());
    }
}

}  // namespace Calvorn
