// Internal: the whole of one file in memory, read-only. Mapped where the system allows, so a
// large file costs address space rather than heap and only the pages read are loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace Torvex {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // False when the path is not a regular file that can be read.
    bool Open(const std::filesystem::path& path);
    void Close();

    const std::uint8_t* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }

    // Tells the system that the bytes in [begin, end) are done with for now: their pages leave
    // the process's resident set and are read again from the file (the page cache) only if
    // touched again. Whole pages inside the range only; nothing happens for a copied file.
    void Release(std::size_t begin, std::size_t end);

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    void* m_mapping = nullptr;         // non-null when m_data is a memory map
    std::vector<std::uint8_t> m_copy;  // the bytes when mapping is not possible
};

}  // namespace Torvex
