// Writes the run report (--report FILE, ReportFormat.h): appended to, never emptied, so several
// runs (a run and its resumptions) can share one; each record reaches the file in one write
// to its end, under the file's lock, so a report cut by a kill is whole up to its last line.
// Opening cuts an incomplete last line such a kill left, so that the next record starts a line
// of its own.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/ReportFormat.h"

namespace Calvorn {

class RunReport {
public:
    // Opens `path` for appending, creating it when missing, after cutting an incomplete last
    // line (`cutBytes` tells how many bytes went). Null, with `problem` set, when it cannot.
    static std::unique_ptr<RunReport> Open(const std::filesystem::path& path, std::string& problem,
                                           std::size_t& cutBytes);
    ~RunReport();
    RunReport(const RunReport&) = delete;
    RunReport& operator=(const RunReport&) = delete;

    // The first line of a run: the report's version, the program, `options`, host, pid and the
    // start time.
    void WriteRun(const nlohmann::ordered_json& options);
    // A file's line; counted for the summary.
    void WriteFile(const FileEntry& entry);
    // Many files' lines at once (the files a resumed run skips), a few writes for all of them.
    void WriteFiles(const std::vector<FileEntry>& entries);
    // The last line: the counts by status, the records of the files converted, `seconds`.
    void WriteSummary(double seconds);

    // Why the first write that failed failed (a full disk); empty while none did.
    const std::string& Problem() const { return m_problem; }

private:
    explicit RunReport(int fd) : m_fd(fd) {}
    // Writes whole lines, each ending in a line feed, in one write.
    void WriteLines(const std::string& lines);
    void WriteLine(std::string line);
    // Counts `entry` for the summary and returns its line.
    std::string FileLine(const FileEntry& entry);

    int m_fd;
    std::string m_problem;
    int m_counts[5] = {};  // ok, empty, failed, stopped, skipped
    RecordCounts m_records;
};

}  // namespace Calvorn
