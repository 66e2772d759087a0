#include "batch/JobList.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "app/PathText.h"
#include "batch/JobListObserver.h"
#include "batch/StatusLine.h"
#include "torvex/Torvex_Prj.h"

namespace Calvorn {

namespace {

// Extension of the file-name part from its last '.', upper-cased (ASCII); empty without '.'.
std::string UpperExtension(const std::filesystem::path& path)
{
    const std::string name = PathToUtf8(path.filename());
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return {};
    }
    std::string extension = name.substr(dot);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension;
}

bool IsProjectPath(const std::filesystem::path& path)
{
    return UpperExtension(path) == ".MPJ";
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

}  // namespace

std::vector<std::filesystem::path> ProjectItemPaths(const std::filesystem::path& project)
{
    Torvex::Torvex_Prj reader;
    const int count = reader.LoadProject(project);
    const std::filesystem::path folder = project.parent_path();
    std::vector<std::filesystem::path> paths;
    for (int i = 0; i < count; ++i) {
        std::string stored;
        reader.GetItemInfo(i, &stored, nullptr, nullptr);
        // A name ends at its first zero byte: the system would cut the path there when opening
        // it. An empty name leaves the folder itself, which has no kind and is dropped.
        stored.resize(std::min(stored.size(), stored.find('\0')));
        std::filesystem::path path = folder / Utf8ToPath(StoredFileName(stored));
        if (KindOfPath(path) != kKindNone) {
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

FileKind JobList::AddFileToList(const std::filesystem::path& path)
{
    const FileKind kind = KindOfPath(path);
    std::vector<Job> jobs;
    if (kind != kKindNone) {
        jobs.push_back(Job{path, kind, kStatusNone});
    }
    InsertJobs(std::move(jobs));
    return kind;
}

std::size_t JobList::AddProject(const std::filesystem::path& project)
{
    std::vector<Job> jobs;
    for (std::filesystem::path& path : ProjectItemPaths(project)) {
        const FileKind kind = KindOfPath(path);
        jobs.push_back(Job{std::move(path), kind, kStatusNone});
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
    std::set<std::filesystem::path> scanned;
    std::vector<Job> jobs;
    ScanFolderOnce(folder, scanned, jobs);
    return InsertJobs(std::move(jobs));
}

void JobList::ScanFolderOnce(const std::filesystem::path& folder,
                             std::set<std::filesystem::path>& scanned, std::vector<Job>& jobs)
{
    // Folders are known by their canonical path, so a link back up the tree ends the descent.
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(folder, error);
    if (error || !scanned.insert(canonical).second) {
        return;
    }

    std::vector<std::pair<std::string, std::filesystem::path>> entries;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        entries.emplace_back(PathToUtf8(it->path().filename()), it->path());
    }
    // The file system's own order differs between machines; names in byte order do not.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });

    for (const auto& [name, path] : entries) {
        if (IsFolder(path)) {
            ScanFolderOnce(path, scanned, jobs);
        } else if (const FileKind kind = KindOfPath(path); kind != kKindNone) {
            jobs.push_back(Job{path, kind, kStatusNone});
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
    return AddFileToList(path) != kKindNone ? 1 : 0;
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
    }
    for (const auto& [first, count] : ranges) {
        {
            std::lock_guard lock(m_mutex);
            const auto begin = m_rows.begin() + static_cast<std::ptrdiff_t>(first);
            m_rows.erase(begin, begin + static_cast<std::ptrdiff_t>(count));
        }
        if (m_observer != nullptr) {
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

void JobList::SetStatus(std::size_t row, int status)
{
    {
        std::lock_guard lock(m_mutex);
        if (row >= m_rows.size()) {
            return;
        }
        m_rows[row].status = status;
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
