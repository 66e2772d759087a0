#include "torvex/FileImage.h"

#include <algorithm>
#include <cstring>

#include "torvex/Crc32.h"
#include "torvex/Format.h"
#include "torvex/Gbk.h"

namespace Torvex {

using namespace Format;

namespace {

bool IsDataKind(FileKind kind)
{
    return kind != FileKind::Project;
}

// Splits the `length` bytes of a slot at `start` into its parts, checking that the counts of
// its header fit the slot and its parts' vertex counts add up; returns where its values begin,
// or null.
const std::uint8_t* SplitSlot(const std::uint8_t* start, std::uint32_t length, SlotView& view)
{
    view.infoLength = Load<std::uint16_t>(start + 4);
    view.textLength = Load<std::uint16_t>(start + 6);
    view.partCount = Load<std::uint32_t>(start + 8);
    view.vertexCount = Load<std::uint32_t>(start + 12);
    // 64-bit sums of 16- and 32-bit counts cannot overflow.
    const std::uint64_t available = length - kSlotHeaderSize;
    const std::uint64_t fixed = std::uint64_t{view.infoLength} + std::uint64_t{view.partCount} * 4 +
                                std::uint64_t{view.vertexCount} * 16 + view.textLength;
    if (fixed > available) {
        return nullptr;
    }
    const std::uint8_t* p = start + kSlotHeaderSize;
    view.info = p;
    p += view.infoLength;
    view.partCounts = p;
    p += std::size_t{view.partCount} * 4;
    view.vertices = p;
    p += std::size_t{view.vertexCount} * 16;
    view.text = reinterpret_cast<const char*>(p);
    p += view.textLength;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < view.partCount; ++i) {
        const auto count = Load<std::uint32_t>(view.partCounts + std::size_t{i} * 4);
        if (count == 0) {
            return nullptr;
        }
        total += count;
    }
    return total == view.vertexCount ? p : nullptr;
}

// Whether the parts of a slot are those a file of `kind` holds.
bool FitsKind(FileKind kind, const SlotView& view)
{
    switch (kind) {
        case FileKind::Point:
            return view.partCount == 1 && view.vertexCount == 1 &&
                   view.textLength <= kMaxAnnotationText;
        case FileKind::Line:
        case FileKind::Polygon:
            return view.partCount != 0 && view.textLength == 0;
        default:
            return view.partCount == 0 && view.infoLength == 0 && view.textLength == 0;
    }
}

}  // namespace

int FileImage::Open(const std::filesystem::path& path)
{
    if (!m_file.Open(path)) {
        return kOpenFailed;
    }
    std::uint8_t head[kHeaderSize];
    const std::size_t headLength = m_file.ReadAt(0, sizeof(head), head);
    int result = m_header.Parse(head, headLength, m_file.Size(), IsDataKind);
    if (result == 0 && m_header.HasProjection() &&
        m_file.ReadAt(m_header.ProjectionOffset(), kProjectionSize,
                      reinterpret_cast<std::uint8_t*>(&m_projection)) != kProjectionSize) {
        result = kReadFailed;
    }
    if (result == 0) {
        result = ReadIndex();
    }
    if (result == 0) {
        result = ReadFieldTable();
    }
    if (result != 0) {
        m_file.Close();
    }
    return result;
}

int FileImage::ReadFieldTable()
{
    ByteWindow table(0);
    const std::uint8_t* p =
        table.Get(m_file, m_header.FieldTableOffset(), m_header.FieldTableSize());
    if (p == nullptr) {
        return kReadFailed;
    }
    const std::uint8_t* const end = p + m_header.FieldTableSize();
    // Every descriptor takes at least its fixed part, so the count is bounded by the table.
    if (m_header.FieldCount() > m_header.FieldTableSize() / kFieldDescriptorSize) {
        return kFieldDefinitionError;
    }
    m_fields.reserve(m_header.FieldCount());
    for (int i = 0; i < m_header.FieldCount(); ++i) {
        if (static_cast<std::size_t>(end - p) < kFieldDescriptorSize) {
            return kFieldDefinitionError;
        }
        const auto nameLength = Load<std::uint16_t>(p);
        FieldDescriptor field;
        field.type = Load<std::int32_t>(p + 2);
        field.width = Load<std::int32_t>(p + 6);
        field.decimals = Load<std::int32_t>(p + 10);
        p += kFieldDescriptorSize;
        if (nameLength == 0 || static_cast<std::size_t>(end - p) < nameLength || field.width < 0 ||
            field.decimals < 0) {
            return kFieldDefinitionError;
        }
        field.name = GbkToUtf8(std::string_view(reinterpret_cast<const char*>(p), nameLength));
        p += nameLength;
        m_fields.push_back(std::move(field));
    }
    if (p != end) {
        return kFieldDefinitionError;
    }
    m_values.assign(m_fields.size(), std::string_view());
    return 0;
}

const std::uint8_t* FileImage::IndexEntry(std::uint32_t slot)
{
    return m_indexWindow.Get(m_file, m_header.IndexOffset() + std::uint64_t{slot} * kIndexEntrySize,
                             kIndexEntrySize);
}

bool FileImage::Shrank()
{
    m_sourceChanged = true;
    return false;
}

int FileImage::ReadIndex()
{
    const std::uint64_t size = m_file.Size();
    int live = 0;
    // Slots listed by ascending offset (what writers produce) are checked for shared bytes
    // on the way; any other order is sorted afterwards.
    bool ordered = true;
    std::uint64_t lastOffset = 0;
    std::uint64_t claimedEnd = 0;
    m_overlapping.clear();
    for (std::uint32_t i = 0; i < m_header.SlotCount(); ++i) {
        const std::uint8_t* entry = IndexEntry(i);
        if (entry == nullptr) {
            return kReadFailed;
        }
        const auto offset = Load<std::uint64_t>(entry);
        const auto length = Load<std::uint32_t>(entry + 8);
        const auto flags = Load<std::uint32_t>(entry + 12);
        if (length < kSlotHeaderSize || !FitsIn(offset, length, size)) {
            return kReadFailed;
        }
        if ((flags & kIndexDeleted) == 0) {
            ++live;
            ordered = ordered && offset >= lastOffset;
            lastOffset = offset;
            // Deleted slots are never read: their bytes may be shared harmlessly.
            if (offset < claimedEnd) {
                m_overlapping.push_back(i);
            } else {
                claimedEnd = offset + length;
            }
        }
    }
    m_liveCount = live;
    if (!ordered && !FindOverlapsSorted()) {
        return kReadFailed;
    }
    return 0;
}

bool FileImage::FindOverlapsSorted()
{
    struct Range {
        std::uint64_t offset;
        std::uint64_t end;
        std::uint32_t slot;
    };
    std::vector<Range> ranges;
    for (std::uint32_t slot = 0; slot < m_header.SlotCount(); ++slot) {
        const std::uint8_t* entry = IndexEntry(slot);
        if (entry == nullptr) {
            return false;
        }
        if ((Load<std::uint32_t>(entry + 12) & kIndexDeleted) == 0) {
            const auto offset = Load<std::uint64_t>(entry);
            ranges.push_back({offset, offset + Load<std::uint32_t>(entry + 8), slot});
        }
    }
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.slot < b.slot;
    });
    m_overlapping.clear();
    std::uint64_t claimedEnd = 0;
    for (const Range& range : ranges) {
        if (range.offset < claimedEnd) {
            m_overlapping.push_back(range.slot);
        } else {
            claimedEnd = range.end;
        }
    }
    std::sort(m_overlapping.begin(), m_overlapping.end());
    return true;
}

bool FileImage::ParseSlot(std::uint32_t slot)
{
    if (m_parsedSlot == slot) {
        return m_parsedOk;
    }
    m_parsedSlot = slot;
    m_parsedOk = false;
    m_readSlot = -1;  // m_view is about to change
    m_view = SlotView{};
    std::fill(m_values.begin(), m_values.end(), std::string_view());
    if (!m_overlapping.empty() &&
        std::binary_search(m_overlapping.begin(), m_overlapping.end(), slot)) {
        return false;
    }

    const std::uint8_t* entry = IndexEntry(slot);
    if (entry == nullptr) {
        return Shrank();
    }
    const auto offset = Load<std::uint64_t>(entry);
    const auto length = Load<std::uint32_t>(entry + 8);
    // Checked at open already; checked again because the entry is read from the file again.
    if (length < kSlotHeaderSize || !FitsIn(offset, length, m_file.Size())) {
        return false;
    }
    const std::uint8_t* const start = m_slotWindow.Get(m_file, offset, length);
    if (start == nullptr) {
        return Shrank();
    }
    const std::uint8_t* const end = start + length;

#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Fuzzing builds skip the check value so that mutated slots reach the parser below.
    if (Load<std::uint32_t>(start) != Crc32(start + 4, length - 4)) {
        return false;
    }
#endif
    SlotView view;
    const std::uint8_t* values = SplitSlot(start, length, view);
    if (values == nullptr || !FitsKind(m_header.Kind(), view)) {
        return false;
    }
    if (!ParseValues(values, end)) {
        std::fill(m_values.begin(), m_values.end(), std::string_view());
        return false;
    }
    m_view = view;
    m_parsedOk = true;
    return true;
}

bool FileImage::ParseValues(const std::uint8_t* p, const std::uint8_t* end)
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (p == end) {
            return false;
        }
        const std::uint8_t presence = *p++;
        if (presence == kValueAbsent) {
            continue;
        }
        const int type = m_fields[i].type;
        const int fixedSize = FixedValueSize(type);
        if (presence != kValuePresent || fixedSize < 0) {
            return false;
        }
        std::size_t payload = static_cast<std::size_t>(fixedSize);
        if (fixedSize == 0) {
            if (end - p < 2) {
                return false;
            }
            payload = 2 + std::size_t{Load<std::uint16_t>(p)};
        }
        if (static_cast<std::size_t>(end - p) < payload) {
            return false;
        }
        const auto* bytes = reinterpret_cast<const char*>(p);
        if (fixedSize > 0) {
            m_values[i] = std::string_view(bytes, payload);
        } else {
            // Text is delivered zero-terminated: an inner zero byte ends it.
            const std::string_view text(bytes + 2, payload - 2);
            m_values[i] = text.substr(0, text.find('\0'));
        }
        p += payload;
    }
    return p == end;
}

int FileImage::ReadSlot(int slot, FileKind kind, SlotView* view)
{
    if (slot < 0 || slot >= SlotCount()) {
        return kNoSuchSlot;
    }
    if (kind != m_header.Kind()) {
        return kWrongKind;
    }
    // The converters read a slot's record, then its shape.
    if (slot == m_readSlot) {
        *view = m_view;
        return kRecordRead;
    }
    m_readSlot = -1;
    const std::uint8_t* entry = IndexEntry(static_cast<std::uint32_t>(slot));
    if (entry == nullptr) {
        m_sourceChanged = true;
        return kSourceChanged;
    }
    if ((Load<std::uint32_t>(entry + 12) & kIndexDeleted) != 0) {
        return kDeleted;
    }
    if (!ParseSlot(static_cast<std::uint32_t>(slot))) {
        return m_sourceChanged ? kSourceChanged : kReadFailed;
    }
    *view = m_view;
    m_readSlot = slot;
    return kRecordRead;
}

bool FileImage::Parsed(int record)
{
    // Every value of a record but the first finds its slot parsed.
    if (record == m_parsedSlot) {
        return m_parsedOk;
    }
    return record >= 0 && record < SlotCount() && ParseSlot(static_cast<std::uint32_t>(record));
}

std::string_view FileImage::ValueBytes(int record, int field, int type)
{
    if (field < 0 || field >= FieldCount() ||
        m_fields[static_cast<std::size_t>(field)].type != type || !Parsed(record)) {
        return {};
    }
    return m_values[static_cast<std::size_t>(field)];
}

const std::string_view* FileImage::RecordValues(int record)
{
    return Parsed(record) ? m_values.data() : nullptr;
}

const void* FileImage::ReadAttribute(int record, int field, int type)
{
    const std::string_view value = ValueBytes(record, field, type);
    if (value.data() == nullptr) {
        return nullptr;
    }
    m_scratch.resize(value.size() + 1);
    std::memcpy(m_scratch.data(), value.data(), value.size());
    m_scratch[value.size()] = 0;
    return m_scratch.data();
}

bool FileImage::GetProjection(MAP_PARAstruct* record) const
{
    if (!m_header.HasProjection()) {
        return false;
    }
    *record = m_projection;
    return true;
}

}  // namespace Torvex
