// Internal: an opened Torvex data file. Opening checks the header, the field table and every
// index entry once, so a slot read touches only its own bytes. The file is read through two
// windows (index and slots), so memory stays flat; a file that shrinks while it is read makes
// the reads past its new end fail with kSourceChanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "torvex/ByteWindow.h"
#include "torvex/FileHeader.h"
#include "torvex/Records.h"
#include "torvex/Result.h"
#include "torvex/SourceFile.h"
#include "torvex/Torvex_Writer.h"

namespace Torvex {

// The parts of one well-formed slot, pointing into the file's bytes.
struct SlotView {
    const std::uint8_t* info = nullptr;
    std::size_t infoLength = 0;
    const std::uint8_t* partCounts = nullptr;  // u32 each
    std::uint32_t partCount = 0;
    const std::uint8_t* vertices = nullptr;  // f64 x, f64 y each
    std::uint32_t vertexCount = 0;
    const char* text = nullptr;
    std::size_t textLength = 0;
};

class FileImage {
public:
    // Returns 0 or the negative Open result.
    int Open(const std::filesystem::path& path);

    FileKind Kind() const { return m_header.Kind(); }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    std::uint32_t RecordCount() const { return m_header.RecordCount(); }
    int SlotCount() const { return static_cast<int>(m_header.SlotCount()); }
    int LiveCount() const { return m_liveCount; }

    // kRecordRead with `view` filled, or kDeleted, kReadFailed, kSourceChanged, kNoSuchSlot,
    // kWrongKind.
    int ReadSlot(int slot, FileKind kind, SlotView* view);
    // Whether a read found the file shorter than it was at opening.
    bool SourceChanged() const { return m_sourceChanged; }
    // Value of (record, field) in its delivered layout, or null; valid until the next call.
    const void* ReadAttribute(int record, int field, int type);
    // The stored bytes of that value, without a copy (text up to its first zero byte); a null
    // data() when there is none. Valid until the next read.
    std::string_view ValueBytes(int record, int field, int type);
    // Every value of `record` so (FieldCount() of them), valid until the next read; null when
    // the record cannot be read.
    const std::string_view* RecordValues(int record);
    const std::vector<FieldDescriptor>& Fields() const { return m_fields; }
    bool GetProjection(MAP_PARAstruct* record) const;

private:
    int ReadFieldTable();
    // The index entry of `slot` (16 bytes), or null when the file shrank.
    const std::uint8_t* IndexEntry(std::uint32_t slot);
    int ReadIndex();
    // Finds the overlapping slots (below) of an index not in offset order.
    bool FindOverlapsSorted();
    // Checks and splits slot `slot` (cached: the converters read a slot's record and then
    // each of its values).
    bool ParseSlot(std::uint32_t slot);
    // Records that a read found the file shorter; returns false for the caller to pass on.
    bool Shrank();
    bool ParseValues(const std::uint8_t* p, const std::uint8_t* end);
    // Parses `record` unless it is the slot parsed last; false when it cannot be read.
    bool Parsed(int record);

    SourceFile m_file;
    ByteWindow m_indexWindow;
    ByteWindow m_slotWindow;
    FileHeader m_header;
    MAP_PARAstruct m_projection{};
    bool m_sourceChanged = false;
    std::vector<FieldDescriptor> m_fields;
    int m_liveCount = 0;
    // Live slots whose bytes overlap an earlier slot's, ascending: they read as kReadFailed,
    // so that entries pointing at one slot again and again cannot multiply the output.
    std::vector<std::uint32_t> m_overlapping;

    std::int64_t m_parsedSlot = -1;
    bool m_parsedOk = false;
    SlotView m_view;
    // Per field of the slot parsed last: the value as delivered (text up to its first zero
    // byte), a null data() when absent.
    std::vector<std::string_view> m_values;
    std::int64_t m_readSlot = -1;  // the slot ReadSlot read last, in m_view
    std::vector<std::uint8_t> m_scratch;
};

}  // namespace Torvex
