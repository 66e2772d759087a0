#include "torvex/ByteWindow.h"

#include <algorithm>

#include "torvex/SourceFile.h"

namespace Torvex {

const std::uint8_t* ByteWindow::Load(SourceFile& file, std::uint64_t offset, std::size_t length)
{
    // A window reaches no further than the file did at opening; a request larger than the
    // window (a large slot) gets a window of its own size.
    const std::uint64_t left = offset < file.Size() ? file.Size() - offset : 0;
    const std::size_t wanted =
        std::max(length, static_cast<std::size_t>(std::min<std::uint64_t>(m_size, left)));
    if (wanted > m_capacity || !m_buffer) {
        // Never a null buffer: an empty region is found, not missing.
        const std::size_t capacity = std::max<std::size_t>(wanted, 1);
        m_buffer.reset();
        m_capacity = 0;
        m_buffer = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
        m_capacity = capacity;
    }
    m_start = offset;
    m_length = file.ReadAt(offset, wanted, m_buffer.get());
    if (m_length < length) {
        return nullptr;
    }
    return m_buffer.get();
}

}  // namespace Torvex
