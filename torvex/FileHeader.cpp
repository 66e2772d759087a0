#include "torvex/FileHeader.h"

#include <climits>
#include <cstring>

#include "torvex/Format.h"

namespace Torvex {

using namespace Format;

int FileHeader::Parse(const std::uint8_t* head, std::size_t headLength, std::uint64_t fileSize,
                      bool (*accepts)(FileKind))
{
    if (headLength < sizeof(kMagic) || std::memcmp(head, kMagic, sizeof(kMagic)) != 0) {
        return kNotTorvexFile;
    }
    if (headLength < kHeaderSize || fileSize < kHeaderSize) {
        return kReadFailed;
    }
    const auto version = Load<std::uint16_t>(head + kHeaderVersion);
    const auto kindCode = Load<std::uint16_t>(head + kHeaderKind);
    if (version != kVersion || kindCode < static_cast<int>(FileKind::Point) ||
        kindCode > static_cast<int>(FileKind::Project) ||
        !accepts(static_cast<FileKind>(kindCode))) {
        return kNotSystemFile;
    }
    m_kind = static_cast<FileKind>(kindCode);
    m_fieldCount = Load<std::uint16_t>(head + kHeaderFieldCount);
    m_hasProjection = (Load<std::uint16_t>(head + kHeaderFlags) & kFlagProjection) != 0;
    m_recordCount = Load<std::uint32_t>(head + kHeaderRecordCount);
    m_slotCount = Load<std::uint32_t>(head + kHeaderSlotCount);
    m_fieldTableSize = Load<std::uint32_t>(head + kHeaderFieldTableSize);
    m_fieldTableOffset = Load<std::uint64_t>(head + kHeaderFieldTableOffset);
    m_projectionOffset = Load<std::uint64_t>(head + kHeaderProjectionOffset);
    m_indexOffset = Load<std::uint64_t>(head + kHeaderIndexOffset);

    if (!FitsIn(m_fieldTableOffset, m_fieldTableSize, fileSize)) {
        return kReadFailed;
    }
    if (m_hasProjection && !FitsIn(m_projectionOffset, kProjectionSize, fileSize)) {
        return kReadFailed;
    }
    if (m_slotCount > static_cast<std::uint32_t>(INT_MAX)) {
        return kReadFailed;
    }
    // Project files keep a variable-length item list there; its entries are checked by the
    // project reader.
    if (m_kind != FileKind::Project &&
        !FitsIn(m_indexOffset, std::uint64_t{m_slotCount} * kIndexEntrySize, fileSize)) {
        return kReadFailed;
    }
    if (m_kind == FileKind::Project && m_indexOffset > fileSize) {
        return kReadFailed;
    }
    return 0;
}

}  // namespace Torvex
