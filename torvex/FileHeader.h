// Internal: the 64-byte header of a Torvex file, checked against the file's size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "torvex/Result.h"

namespace Torvex {

class FileHeader {
public:
    // Checks magic, size, version and kind (which must satisfy `accepts`) and that every region
    // the header names lies inside a file of `fileSize` bytes. `head` holds the file's first
    // `headLength` bytes (at most the header's size are looked at). Returns 0 or the Open result
    // for the fault.
    int Parse(const std::uint8_t* head, std::size_t headLength, std::uint64_t fileSize,
              bool (*accepts)(FileKind));

    FileKind Kind() const { return m_kind; }
    std::uint16_t FieldCount() const { return m_fieldCount; }
    std::uint32_t RecordCount() const { return m_recordCount; }
    std::uint32_t SlotCount() const { return m_slotCount; }
    std::uint32_t FieldTableSize() const { return m_fieldTableSize; }
    std::uint64_t FieldTableOffset() const { return m_fieldTableOffset; }
    bool HasProjection() const { return m_hasProjection; }
    std::uint64_t ProjectionOffset() const { return m_projectionOffset; }
    std::uint64_t IndexOffset() const { return m_indexOffset; }

private:
    FileKind m_kind = FileKind::Table;
    std::uint16_t m_fieldCount = 0;
    std::uint32_t m_recordCount = 0;
    std::uint32_t m_slotCount = 0;
    std::uint32_t m_fieldTableSize = 0;
    std::uint64_t m_fieldTableOffset = 0;
    bool m_hasProjection = false;
    std::uint64_t m_projectionOffset = 0;
    std::uint64_t m_indexOffset = 0;
};

}  // namespace Torvex
