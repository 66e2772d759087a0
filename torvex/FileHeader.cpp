#include "torvex/FileHeader.h"

#include <climits>
#include <cstring>

#include "torvex/Format.h"

namespace Torvex {

using namespace Format;

int FileHeader::Parse(const std::uint8_t* data, std::size_t size, bool (*accepts)(FileKind))
{
    if (size < sizeof(kMagic) || std::memcmp(data, kMagic, sizeof(kMagic)) != 0) {
        return kNotTorvexFile;
    }
    if (size < kHeaderSize) {
        return kReadFailed;
    }
    const auto version = Load<std::uint16_t>(data + kHeaderVersion);
    const auto kindCode = Load<std::uint16_t>(data + kHeaderKind);
    if (version != kVersion || kindCode < static_cast<int>(FileKind::Point) ||
        kindCode > static_cast<int>(FileKind::Project) ||
        !accepts(static_cast<FileKind>(kindCode))) {
        return kNotSystemFile;
    }
    m_kind = static_cast<FileKind>(kindCode);
    m_fieldCount = Load<std::uint16_t>(data + kHeaderFieldCount);
    m_hasProjection = (Load<std::uint16_t>(data + kHeaderFlags) & kFlagProjection) != 0;
    m_recordCount = Load<std::uint32_t>(data + kHeaderRecordCount);
    m_slotCount = Load<std::uint32_t>(data + kHeaderSlotCount);
    m_fieldTableSize = Load<std::uint32_t>(data + kHeaderFieldTableSize);
    m_fieldTableOffset = Load<std::uint64_t>(data + kHeaderFieldTableOffset);
    m_projectionOffset = Load<std::uint64_t>(data + kHeaderProjectionOffset);
    m_indexOffset = Load<std::uint64_t>(data + kHeaderIndexOffset);

    if (!FitsIn(m_fieldTableOffset, m_fieldTableSize, size)) {
        return kReadFailed;
    }
    if (m_hasProjection && !FitsIn(m_projectionOffset, kProjectionSize, size)) {
        return kReadFailed;
    }
    if (m_slotCount > static_cast<std::uint32_t>(INT_MAX)) {
        return kReadFailed;
    }
    // Project files keep a variable-length item list there; its entries are checked by the
    // project reader.
    if (m_kind != FileKind::Project &&
        !FitsIn(m_indexOffset, std::uint64_t{m_slotCount} * kIndexEntrySize, size)) {
        return kReadFailed;
    }
    if (m_kind == FileKind::Project && m_indexOffset > size) {
        return kReadFailed;
    }
    return 0;
}

}  // namespace Torvex
