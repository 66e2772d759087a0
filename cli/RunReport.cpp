#include "cli/RunReport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <system_error>

#include "app/TextFormat.h"
#include "app/UserText.h"
#include "cli/ConsoleTool.h"

namespace Calvorn {

namespace {

constexpr const char* kStatusOrder[] = {"ok", "empty", "failed", "stopped", "skipped"};

std::string ErrnoText()
{
    return SystemErrorText(std::error_code(errno, std::generic_category()));
}

// The length of `fd`'s file up to its last line end: what stays when an incomplete last line
// is cut.
off_t WholeLinesLength(int fd, off_t size)
{
    char buffer[65536];
    for (off_t end = size; end > 0;) {
        const off_t start =
            end > static_cast<off_t>(sizeof(buffer)) ? end - static_cast<off_t>(sizeof(buffer)) : 0;
        const ssize_t got = ::pread(fd, buffer, static_cast<std::size_t>(end - start), start);
        if (got != end - start) {
            return size;  // unreadable: leave it as it is
        }
        for (off_t i = got; i > 0; --i) {
            if (buffer[i - 1] == '\n') {
                return start + i;
            }
        }
        end = start;
    }
    return 0;
}

std::string UtcNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return Format("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
}

}  // namespace

std::unique_ptr<RunReport> RunReport::Open(const std::filesystem::path& path, std::string& problem,
                                           std::size_t& cutBytes)
{
    cutBytes = 0;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        problem = ErrnoText();
        return nullptr;
    }
    std::unique_ptr<RunReport> report(new RunReport(fd));
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        // Under the lock writers take: nobody appends between the look and the cut.
        ::flock(fd, LOCK_EX);
        ::fstat(fd, &info);
        const off_t whole = WholeLinesLength(fd, info.st_size);
        if (whole < info.st_size) {
            if (::ftruncate(fd, whole) != 0) {
                problem = ErrnoText();
                return nullptr;
            }
            cutBytes = static_cast<std::size_t>(info.st_size - whole);
        }
        ::flock(fd, LOCK_UN);
    }
    return report;
}

RunReport::~RunReport()
{
    ::close(m_fd);
}

void RunReport::WriteLine(std::string line)
{
    line += '\n';
    WriteLines(line);
}

void RunReport::WriteLines(const std::string& lines)
{
    // Readers on other machines see the file through its lock too (NFS); where locks are not
    // to be had, the one write still keeps the line whole.
    ::flock(m_fd, LOCK_EX);
    std::size_t done = 0;
    while (done < lines.size()) {
        const ssize_t written = ::write(m_fd, lines.data() + done, lines.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (m_problem.empty()) {
                m_problem = written < 0 ? ErrnoText() : "nothing written";
            }
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    ::flock(m_fd, LOCK_UN);
}

void RunReport::WriteRun(const nlohmann::ordered_json& options)
{
    char host[256] = {};
    ::gethostname(host, sizeof(host) - 1);
    nlohmann::ordered_json run;
    run["type"] = "run";
    run["version"] = kReportVersion;
    run["program"] = ConsoleVersionText();
    run["options"] = options;
    run["host"] = EscapeNonUtf8(host);
    run["pid"] = static_cast<long long>(::getpid());
    run["start"] = UtcNow();
    WriteLine(ReportLine(run));
}

std::string RunReport::FileLine(const FileEntry& entry)
{
    for (std::size_t i = 0; i < std::size(kStatusOrder); ++i) {
        if (entry.status == kStatusOrder[i]) {
            ++m_counts[i];
        }
    }
    if (entry.records && entry.status != "skipped") {
        m_records.stored += entry.records->stored;
        m_records.live += entry.records->live;
        m_records.written += entry.records->written;
    }
    return ReportLine(FileEntryJson(entry)) + '\n';
}

void RunReport::WriteFile(const FileEntry& entry)
{
    WriteLines(FileLine(entry));
}

void RunReport::WriteFiles(const std::vector<FileEntry>& entries)
{
    constexpr std::size_t kChunk = 1 << 20;
    std::string lines;
    for (const FileEntry& entry : entries) {
        lines += FileLine(entry);
        if (lines.size() >= kChunk) {
            WriteLines(lines);
            lines.clear();
        }
    }
    if (!lines.empty()) {
        WriteLines(lines);
    }
}

void RunReport::WriteSummary(double seconds)
{
    nlohmann::ordered_json counts;
    for (std::size_t i = 0; i < std::size(kStatusOrder); ++i) {
        counts[kStatusOrder[i]] = m_counts[i];
    }
    nlohmann::ordered_json summary;
    summary["type"] = "summary";
    summary["counts"] = counts;
    summary["records"] = {
        {"stored", m_records.stored}, {"live", m_records.live}, {"written", m_records.written}};
    summary["seconds"] = ReportSeconds(seconds);
    WriteLine(ReportLine(summary));
}

}  // namespace Calvorn
