// The conversion log: one process-wide writer of "CalvornExp.log", where every conversion
// tells its story line by line.
//
// Each line is ">" + message + CR LF on every platform, in GBK bytes without a byte-order mark,
// written at once so the file is complete up to the last line even after a crash. The default
// log is opened, and so emptied, at the first line of a program run: a run that logs nothing
// leaves the previous run's log alone. It lies in the executable's folder, or in the user's
// folder for the application when the executable's folder cannot be written (an installed
// program's log lies in the user's state folder); a file named with SetFile is appended to
// instead. Every line (and every held block) reaches the file in one write to its end
// (O_APPEND), so any number of threads and processes sharing a log interleave whole lines.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/AppLocations.h"
#include "app/LogSink.h"

namespace Calvorn {

class CConvertLog : public LogSink {
public:
    static constexpr const char* kFileName = "CalvornExp.log";

    // The process's writer; never fails. The file is not opened before the first line.
    static CConvertLog& Get();

    // Writes `text` (UTF-8) as one line when `level` is 2 or more; lower levels are dropped.
    // `file`, `line` and `function` name the caller and are not written. A character GBK cannot
    // represent is written as '?'. If no log file can be opened, lines are dropped silently.
    void Write(int level, const std::string& text, const char* file, int line,
               const char* function) override;
    // Writes `lines` at once, in one write to the file's end.
    void WriteBlock(const std::vector<std::string>& lines) override;

    // Where the log goes unless SetFile names a file: CalvornExp.log beside the executable,
    // else in the user's folder (in the state folder when installed). Closes an open log; the next
    // line opens (empties) the file.
    void Configure(const AppLocations& locations);

    // Appends the log to `path` instead (the console's --log, tests). Closes an open log; the
    // next line opens `path`, creating it when missing. There is no fallback for an explicit
    // file.
    void SetFile(const std::filesystem::path& path);

    // The file the log is written to, or before the first line the one it will most likely
    // be written to. Empty when no log file could be opened.
    std::filesystem::path Path() const;

    CConvertLog(const CConvertLog&) = delete;
    CConvertLog& operator=(const CConvertLog&) = delete;

private:
    CConvertLog() = default;

    void WriteToFile(const std::string& bytes);
    void OpenLocked();
    void CloseLocked();
    bool TryOpen(const std::filesystem::path& path, bool empty);
    const AppLocations& LocationsLocked() const;

    mutable std::mutex m_mutex;
    mutable std::optional<AppLocations> m_locations;  // the running executable's unless set
    std::optional<std::filesystem::path> m_explicitFile;
    int m_fd = -1;
    std::filesystem::path m_openPath;  // empty when opening failed
    bool m_openTried = false;
};

}  // namespace Calvorn
