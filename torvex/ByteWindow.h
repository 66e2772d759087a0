// Internal: a stretch of a SourceFile held in memory. Readers walking a file from start to end
// (the index, the slots) each keep one: memory stays at a window whatever the file's size, and
// nearly every request is served from the bytes already read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Torvex {

class SourceFile;

class ByteWindow {
public:
    static constexpr std::size_t kDefaultSize = std::size_t{1024} * 1024;

    explicit ByteWindow(std::size_t size = kDefaultSize) : m_size(size) {}

    // The bytes [offset, offset + length) of `file`, valid until the next call; null when the
    // file ends before them (it shrank since it was opened, the caller having checked the
    // region against its size then).
    const std::uint8_t* Get(SourceFile& file, std::uint64_t offset, std::size_t length)
    {
        if (offset >= m_start && length <= m_length && offset - m_start <= m_length - length) {
            return m_buffer.get() + (offset - m_start);
        }
        return Load(file, offset, length);
    }

    // Forgets the bytes held (the next Get reads again).
    void Clear() { m_length = 0; }

private:
    const std::uint8_t* Load(SourceFile& file, std::uint64_t offset, std::size_t length);

    std::size_t m_size;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_capacity = 0;
    std::uint64_t m_start = 0;
    std::size_t m_length = 0;
};

}  // namespace Torvex
