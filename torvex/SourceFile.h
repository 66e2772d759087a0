// Internal: a file read by position, every read checked. The reader never maps a source: a file
// that another program truncates while it is read would kill the process with SIGBUS, where a
// checked read just comes back short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

namespace Torvex {

class SourceFile {
public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // False when the path is not a regular file that can be read.
    bool Open(const std::filesystem::path& path);
    void Close();

    // The size when the file was opened: every region the header names is checked against it.
    std::uint64_t Size() const { return m_size; }

    // Reads up to `length` bytes at `offset` into `target`; returns how many it got (fewer only
    // past the end of the file, as it is now).
    std::size_t ReadAt(std::uint64_t offset, std::size_t length, std::uint8_t* target);

private:
#if defined(__unix__) || defined(__APPLE__)
    int m_fd = -1;
#else
    std::ifstream m_stream;
#endif
    std::uint64_t m_size = 0;
};

}  // namespace Torvex
