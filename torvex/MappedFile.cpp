#include "torvex/MappedFile.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define TORVEX_HAVE_MMAP 1
#endif

namespace Torvex {

MappedFile::~MappedFile()
{
    Close();
}

bool MappedFile::Open(const std::filesystem::path& path)
{
    Close();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
#ifdef TORVEX_HAVE_MMAP
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > 0) {
        void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapping != MAP_FAILED) {
            ::close(fd);
            m_mapping = mapping;
            m_data = static_cast<const std::uint8_t*>(mapping);
            m_size = size;
            return true;
        }
    }
    ::close(fd);
#endif
    // No map (or an empty file): read the bytes once.
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0) {
        return false;
    }
    in.seekg(0, std::ios::beg);
    m_copy.resize(static_cast<std::size_t>(length));
    if (length > 0 && !in.read(reinterpret_cast<char*>(m_copy.data()), length)) {
        m_copy.clear();
        return false;
    }
    m_data = m_copy.data();
    m_size = m_copy.size();
    return true;
}

void MappedFile::Release(std::size_t begin, std::size_t end)
{
#ifdef TORVEX_HAVE_MMAP
    if (m_mapping == nullptr) {
        return;
    }
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    end = std::min(end, m_size);
    const std::size_t first = (begin + page - 1) / page * page;
    const std::size_t last = end / page * page;
    if (first < last) {
        // Only a hint: the mapping is read-only and private, so the bytes stay the file's.
        ::madvise(static_cast<std::uint8_t*>(m_mapping) + first, last - first, MADV_DONTNEED);
    }
#else
    (void)begin;
    (void)end;
#endif
}

void MappedFile::Close()
{
#ifdef TORVEX_HAVE_MMAP
    if (m_mapping != nullptr) {
        ::munmap(m_mapping, m_size);
    }
#endif
    m_mapping = nullptr;
    m_data = nullptr;
    m_size = 0;
    m_copy.clear();
    m_copy.shrink_to_fit();
}

}  // namespace Torvex
