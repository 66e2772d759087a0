#include "convert/TemporaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#include "app/PathText.h"
#include "app/TextFormat.h"
#include "convert/OutputError.h"

namespace Calvorn {

namespace {

constexpr std::string_view kMark = ".calvorn-";
// The longest file name most file systems take.
constexpr std::size_t kMaxNameBytes = 255;

std::string SystemMessage(int error)
{
    return std::generic_category().message(error);
}

// The random part of a temporary name: another process's, or a dead one's with the same pid,
// must not meet it.
std::string RandomToken()
{
    thread_local std::mt19937_64 random{std::random_device{}()};
    return Format("%016llx", static_cast<unsigned long long>(random()));
}

// `name` cut to at most `bytes` bytes, not inside a UTF-8 sequence.
std::string CutName(const std::string& name, std::size_t bytes)
{
    if (name.size() <= bytes) {
        return name;
    }
    std::size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return name.substr(0, cut);
}

// Whether `path` still names the file open as `fd` (nobody removed or replaced it).
bool StillNames(const std::filesystem::path& path, int fd)
{
    struct stat named {};
    struct stat open {};
    return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// Moves `from` to `to` unless something stands at `to`: 0, EEXIST, or another error.
int RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
#endif
    // File systems without the flag: a hard link fails on an existing name just as well.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST) {
        return EEXIST;
    }
    // No hard links either (FAT): look, then rename. The folder's lock keeps other
    // converters out; only a foreign program could slip in between.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

TemporaryFile::TemporaryFile(const std::filesystem::path& finalPath)
{
    const std::filesystem::path folder = finalPath.parent_path();
    const std::string finalName = PathToUtf8(finalPath.filename());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string tail =
            std::string(kMark) + std::to_string(::getpid()) + "-" + RandomToken();
        const std::string name = "." + CutName(finalName, kMaxNameBytes - 1 - tail.size()) + tail;
        const std::filesystem::path path = folder / Utf8ToPath(name);
        const int fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            const int error = errno;
            throw OutputError(
                "cannot create " + PathToUtf8(finalPath) + ": " + SystemMessage(error),
                std::error_code(error, std::generic_category()));
        }
        // A cleaner may have taken the new file for a dead one between open and lock.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !StillNames(path, fd)) {
            ::close(fd);
            continue;
        }
        m_path = path;
        m_fd = fd;
        return;
    }
    throw OutputError("cannot create " + PathToUtf8(finalPath) + ": no free temporary name");
}

TemporaryFile::~TemporaryFile()
{
    Remove();
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_moved(std::move(other.m_moved)),
      m_fd(std::exchange(other.m_fd, -1))
{
    other.m_path.clear();
    other.m_moved.clear();
}

void TemporaryFile::WriteAll(std::string_view bytes)
{
    bool ok = ::ftruncate(m_fd, 0) == 0;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t written =
            ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        ok = written > 0;
        done += ok ? static_cast<std::size_t>(written) : 0;
    }
    if (!ok) {
        const int error = errno;
        throw OutputError("cannot write " + PathToUtf8(m_path) + ": " + SystemMessage(error),
                          std::error_code(error, std::generic_category()));
    }
}

bool TemporaryFile::MoveTo(const std::filesystem::path& finalPath)
{
    const int error = RenameNoReplace(m_path, finalPath);
    if (error == EEXIST) {
        return false;
    }
    if (error != 0) {
        throw OutputError("cannot move " + PathToUtf8(m_path) + " to " + PathToUtf8(finalPath) +
                              ": " + SystemMessage(error),
                          std::error_code(error, std::generic_category()));
    }
    m_moved = finalPath;
    return true;
}

void TemporaryFile::MoveBack() noexcept
{
    if (!m_moved.empty() && RenameNoReplace(m_moved, m_path) == 0) {
        m_moved.clear();
    }
}

void TemporaryFile::Remove() noexcept
{
    // Only the file this object created: a name that meanwhile holds another file stays.
    if (m_fd >= 0 && m_moved.empty() && StillNames(m_path, m_fd)) {
        ::unlink(m_path.c_str());
    }
    Close();
}

void TemporaryFile::Close() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
}

bool TemporaryFile::IsTemporaryName(std::string_view name)
{
    // "." name ".calvorn-" digits "-" 16 hex digits
    if (name.size() < 2 + kMark.size() + 19 || name.front() != '.') {
        return false;
    }
    const std::size_t mark = name.rfind(kMark);
    if (mark == std::string_view::npos || mark == 0) {
        return false;
    }
    const std::string_view tail = name.substr(mark + kMark.size());
    const std::size_t dash = tail.find('-');
    if (dash == 0 || dash == std::string_view::npos || tail.size() - dash - 1 != 16) {
        return false;
    }
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char c = tail[i];
        const bool digit = c >= '0' && c <= '9';
        const bool hex = digit || (c >= 'a' && c <= 'f');
        if (i == dash ? c != '-' : i < dash ? !digit : !hex) {
            return false;
        }
    }
    return true;
}

void RemoveDeadTemporaryFiles(const std::filesystem::path& folder) noexcept
{
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::filesystem::path path = it->path();
        if (!TemporaryFile::IsTemporaryName(PathToUtf8(path.filename()))) {
            continue;
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        // A live writer holds the lock; the file then stays.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNames(path, fd)) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
}

OutputFolderLock::OutputFolderLock(const std::filesystem::path& folder)
{
    m_fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // Without the lock (a folder that cannot be opened for reading) the no-replace moves still
    // keep every file whole; only the choice of names may then meet another converter's.
    while (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

OutputFolderLock::~OutputFolderLock()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

}  // namespace Calvorn
