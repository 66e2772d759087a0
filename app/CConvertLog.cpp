#include "app/CConvertLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "torvex/Gbk.h"

namespace Calvorn {

namespace {

// A line as the file holds it.
void AppendEncoded(std::string& bytes, const std::string& text)
{
    bytes += ">";
    bytes += Torvex::Utf8ToGbk(text);
    bytes += "\r\n";
}

}  // namespace

CConvertLog& CConvertLog::Get()
{
    // Never destroyed: a converter that logs from another static object's destructor must not
    // find the writer gone. Every line is flushed, so nothing waits for a clean-up at exit.
    static CConvertLog* const instance = new CConvertLog();
    return *instance;
}

void CConvertLog::Write(int level, const std::string& text, const char* /*file*/, int /*line*/,
                        const char* /*function*/)
{
    if (level < 2) {
        return;
    }
    std::string bytes;
    AppendEncoded(bytes, text);
    WriteToFile(bytes);
}

void CConvertLog::WriteBlock(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& text : lines) {
        AppendEncoded(bytes, text);
    }
    if (!bytes.empty()) {
        WriteToFile(bytes);
    }
}

void CConvertLog::WriteToFile(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_openTried) {
        OpenLocked();
    }
    // One write to the end of the file: the lines of other threads and processes land
    // before or after it, never inside. A failed write (a full disk) must not silence the rest
    // of the run.
    std::size_t done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        const ssize_t written = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            break;
        }
        done += static_cast<std::size_t>(written);
    }
}

const AppLocations& CConvertLog::LocationsLocked() const
{
    if (!m_locations) {
        m_locations.emplace();
    }
    return *m_locations;
}

bool CConvertLog::TryOpen(const std::filesystem::path& path, bool empty)
{
    if (path.empty()) {
        return false;
    }
    // O_NONBLOCK: a FIFO under the log's name without a reader fails instead of hanging.
    const int flags =
        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | (empty ? O_TRUNC : 0);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        return false;
    }
    m_fd = fd;
    m_openPath = path;
    return true;
}

void CConvertLog::OpenLocked()
{
    m_openTried = true;
    m_openPath.clear();
    if (m_explicitFile) {
        TryOpen(*m_explicitFile, false);
        return;
    }
    const AppLocations& locations = LocationsLocked();
    // An installed program's folder is not the user's: its log is in the user's state folder.
    if (!locations.IsInstalled() && !locations.ExecutableFolder().empty() &&
        TryOpen(locations.ExecutableFolder() / kFileName, true)) {
        return;
    }
    const std::filesystem::path& folder =
        locations.IsInstalled() ? locations.StateFolder() : locations.UserFolder();
    if (!folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        TryOpen(folder / kFileName, true);
    }
}

void CConvertLog::CloseLocked()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_openPath.clear();
    m_openTried = false;
}

void CConvertLog::Configure(const AppLocations& locations)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    CloseLocked();
    m_locations = locations;
    m_explicitFile.reset();
}

void CConvertLog::SetFile(const std::filesystem::path& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    CloseLocked();
    m_explicitFile = path;
}

std::filesystem::path CConvertLog::Path() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_openTried) {
        return m_openPath;
    }
    if (m_explicitFile) {
        return *m_explicitFile;
    }
    const AppLocations& locations = LocationsLocked();
    if (locations.IsInstalled()) {
        return locations.StateFolder().empty() ? std::filesystem::path()
                                               : locations.StateFolder() / kFileName;
    }
    if (AppLocations::IsFolderWritable(locations.ExecutableFolder()) ||
        locations.UserFolder().empty()) {
        return locations.ExecutableFolder() / kFileName;
    }
    return locations.UserFolder() / kFileName;
}

}  // namespace Calvorn
