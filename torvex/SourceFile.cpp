#include "torvex/SourceFile.h"

#include <cerrno>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Torvex {

SourceFile::~SourceFile()
{
    Close();
}

#if defined(__unix__) || defined(__APPLE__)

bool SourceFile::Open(const std::filesystem::path& path)
{
    Close();
    // O_NONBLOCK: a FIFO under a source's name must not hang the open; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

void SourceFile::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_size = 0;
}

std::size_t SourceFile::ReadAt(std::uint64_t offset, std::size_t length, std::uint8_t* target)
{
    std::size_t done = 0;
    while (m_fd >= 0 && done < length) {
        const ssize_t got =
            ::pread(m_fd, target + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

#else

bool SourceFile::Open(const std::filesystem::path& path)
{
    Close();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    m_stream.open(path, std::ios::binary);
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!m_stream || error) {
        Close();
        return false;
    }
    m_size = size;
    return true;
}

void SourceFile::Close()
{
    m_stream.close();
    m_stream.clear();
    m_size = 0;
}

std::size_t SourceFile::ReadAt(std::uint64_t offset, std::size_t length, std::uint8_t* target)
{
    m_stream.clear();
    m_stream.seekg(static_cast<std::streamoff>(offset));
    m_stream.read(reinterpret_cast<char*>(target), static_cast<std::streamsize>(length));
    return static_cast<std::size_t>(m_stream.gcount());
}

#endif

}  // namespace Torvex
