#include "torvex/builder/TorvexBuilder.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <stdexcept>

#include "torvex/Crc32.h"
#include "torvex/Format.h"
#include "torvex/Gbk.h"

namespace Torvex {

using namespace Format;

namespace {

std::size_t InfoSize(FileKind kind)
{
    switch (kind) {
        case FileKind::Point:
            return kPointInfoSize;
        case FileKind::Line:
            return kLineInfoSize;
        case FileKind::Polygon:
            return kPolygonInfoSize;
        default:
            return 0;
    }
}

[[noreturn]] void Invalid(const std::string& message)
{
    throw std::invalid_argument(message);
}

std::string RecordPrefix(std::size_t record)
{
    return "record " + std::to_string(record) + ": ";
}

std::string FieldLabel(std::size_t index, const FieldSpec& field)
{
    return "field " + std::to_string(index) + " (\"" + field.name + "\", type " +
           std::to_string(field.type) + ")";
}

// Size of the stored form of a value (presence byte included); throws when the value cannot
// be stored in a field of `field`'s type.
std::size_t ValueSize(const AttributeValue& value, const FieldSpec& field, const std::string& where)
{
    if (std::holds_alternative<std::monostate>(value)) {
        return 1;
    }
    const int type = field.type;
    bool fits = false;
    switch (type) {
        case 0:
        case 9:
            if (const auto* text = std::get_if<std::string>(&value)) {
                if (text->size() > std::numeric_limits<std::uint16_t>::max()) {
                    Invalid(where + "text of " + std::to_string(text->size()) +
                            " bytes is longer than 65535 bytes");
                }
                return 3 + text->size();
            }
            break;
        case 1:
        case 2:
        case 3:
        case 8:
            if (const auto* number = std::get_if<std::int64_t>(&value)) {
                const std::int64_t low = type == 2 ? INT16_MIN : type == 3 ? INT32_MIN : 0;
                const std::int64_t high = type == 2 ? INT16_MAX : type == 3 ? INT32_MAX : 255;
                if (*number < low || *number > high) {
                    Invalid(where + "integer " + std::to_string(*number) + " is outside " +
                            std::to_string(low) + ".." + std::to_string(high));
                }
                fits = true;
            }
            break;
        case 4:
        case 5:
            fits = std::holds_alternative<double>(value) ||
                   std::holds_alternative<std::int64_t>(value);
            break;
        case 6:
            fits = std::holds_alternative<DateValue>(value);
            break;
        case 7:
            fits = std::holds_alternative<TimeValue>(value);
            break;
        default:
            Invalid(where + "a field of an unknown type code can only hold absent values");
    }
    if (!fits) {
        static const char* const kNames[] = {"absent", "text", "integer", "number", "date", "time"};
        Invalid(where + "a " + kNames[value.index()] + " value does not fit the field's type");
    }
    return 1 + static_cast<std::size_t>(FixedValueSize(type));
}

void AppendValue(std::vector<std::uint8_t>& out, const AttributeValue& value, int type)
{
    if (std::holds_alternative<std::monostate>(value)) {
        out.push_back(kValueAbsent);
        return;
    }
    out.push_back(kValuePresent);
    const auto append = [&out](const auto& v) {
        const std::size_t at = out.size();
        out.resize(at + sizeof(v));
        std::memcpy(out.data() + at, &v, sizeof(v));
    };
    const auto number = [&value]() {
        if (const auto* d = std::get_if<double>(&value)) {
            return *d;
        }
        return static_cast<double>(std::get<std::int64_t>(value));
    };
    switch (type) {
        case 0:
        case 9: {
            const auto& text = std::get<std::string>(value);
            append(static_cast<std::uint16_t>(text.size()));
            out.insert(out.end(), text.begin(), text.end());
            break;
        }
        case 1:
        case 8:
            append(static_cast<std::uint8_t>(std::get<std::int64_t>(value)));
            break;
        case 2:
            append(static_cast<std::int16_t>(std::get<std::int64_t>(value)));
            break;
        case 3:
            append(static_cast<std::int32_t>(std::get<std::int64_t>(value)));
            break;
        case 4: {
            // Out of float range becomes infinity explicitly: the plain conversion is undefined.
            const double d = number();
            const float f = std::isfinite(d) && std::fabs(d) > FLT_MAX
                                ? std::copysign(std::numeric_limits<float>::infinity(),
                                                static_cast<float>(std::signbit(d) ? -1 : 1))
                                : static_cast<float>(d);
            append(f);
            break;
        }
        case 5:
            append(number());
            break;
        case 6: {
            const auto& date = std::get<DateValue>(value);
            append(date.year);
            append(date.month);
            append(date.day);
            break;
        }
        case 7: {
            const auto& time = std::get<TimeValue>(value);
            append(time.hour);
            append(time.minute);
            append(time.seconds);
            break;
        }
        default:
            break;
    }
}

// Collects output in large blocks so that a million small slots cost few system calls.
class BlockWriter {
public:
    explicit BlockWriter(const std::filesystem::path& path)
        : m_path(path), m_out(path, std::ios::binary | std::ios::trunc)
    {
        if (!m_out) {
            throw std::runtime_error("cannot create " + path.string());
        }
        m_buffer.reserve(kBlock + 4096);
    }

    void Write(const std::uint8_t* data, std::size_t size)
    {
        m_buffer.insert(m_buffer.end(), data, data + size);
        if (m_buffer.size() >= kBlock) {
            Flush();
        }
    }
    void Write(const std::vector<std::uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }

    void Finish()
    {
        Flush();
        m_out.close();
        if (!m_out) {
            throw std::runtime_error("cannot write " + m_path.string());
        }
    }

private:
    void Flush()
    {
        m_out.write(reinterpret_cast<const char*>(m_buffer.data()),
                    static_cast<std::streamsize>(m_buffer.size()));
        if (!m_out) {
            throw std::runtime_error("cannot write " + m_path.string());
        }
        m_buffer.clear();
    }

    static constexpr std::size_t kBlock = 1 << 20;
    std::filesystem::path m_path;
    std::ofstream m_out;
    std::vector<std::uint8_t> m_buffer;
};

std::string ToGbkExactly(const std::string& utf8, const std::string& what)
{
    if (!IsValidUtf8(utf8)) {
        Invalid(what + " is not valid UTF-8");
    }
    bool lossless = true;
    std::string gbk = Utf8ToGbk(utf8, &lossless);
    if (!lossless) {
        Invalid(what + " \"" + utf8 + "\" has characters that GBK cannot hold");
    }
    if (gbk.size() > std::numeric_limits<std::uint16_t>::max()) {
        Invalid(what + " is longer than 65535 bytes");
    }
    return gbk;
}

// What the 64-byte header says.
struct HeaderLayout {
    int kindCode;
    std::size_t fieldCount;
    bool projection;
    std::uint32_t recordCount;
    std::uint32_t slotCount;
    std::size_t fieldTableSize;
    std::uint64_t fieldTableOffset;
    std::uint64_t projectionOffset;
    std::uint64_t indexOffset;
};

void FillHeader(std::uint8_t (&header)[kHeaderSize], const HeaderLayout& layout)
{
    std::memcpy(header, kMagic, sizeof(kMagic));
    Store<std::uint16_t>(header + kHeaderVersion, kVersion);
    Store<std::uint16_t>(header + kHeaderKind, static_cast<std::uint16_t>(layout.kindCode));
    Store<std::uint16_t>(header + kHeaderFieldCount, static_cast<std::uint16_t>(layout.fieldCount));
    Store<std::uint16_t>(header + kHeaderFlags, layout.projection ? kFlagProjection : 0);
    Store<std::uint32_t>(header + kHeaderRecordCount, layout.recordCount);
    Store<std::uint32_t>(header + kHeaderSlotCount, layout.slotCount);
    Store<std::uint32_t>(header + kHeaderFieldTableSize,
                         static_cast<std::uint32_t>(layout.fieldTableSize));
    Store<std::uint64_t>(header + kHeaderFieldTableOffset, layout.fieldTableOffset);
    Store<std::uint64_t>(header + kHeaderProjectionOffset, layout.projectionOffset);
    Store<std::uint64_t>(header + kHeaderIndexOffset, layout.indexOffset);
}

// The field table: each field's fixed part and GBK name.
std::vector<std::uint8_t> BuildFieldTable(const std::vector<FieldSpec>& fields)
{
    std::vector<std::uint8_t> table;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldSpec& field = fields[i];
        const std::string label = "field " + std::to_string(i);
        if (field.name.empty()) {
            Invalid(label + " has no name");
        }
        if (field.width < 0 || field.decimals < 0) {
            Invalid(label + " (\"" + field.name + "\") has a negative width or decimals");
        }
        const std::string name = ToGbkExactly(field.name, label + " name");
        std::uint8_t fixed[kFieldDescriptorSize];
        Store<std::uint16_t>(fixed, static_cast<std::uint16_t>(name.size()));
        Store<std::int32_t>(fixed + 2, field.type);
        Store<std::int32_t>(fixed + 6, field.width);
        Store<std::int32_t>(fixed + 10, field.decimals);
        table.insert(table.end(), fixed, fixed + kFieldDescriptorSize);
        table.insert(table.end(), name.begin(), name.end());
    }
    if (table.size() > std::numeric_limits<std::uint32_t>::max()) {
        Invalid("the field table is larger than 4 GiB");
    }
    return table;
}

// Checks that the geometry of `record` suits a file of `kind`; returns its vertex count.
std::uint64_t CheckGeometry(FileKind kind, const RecordSpec& record, const std::string& where)
{
    std::uint64_t vertices = 0;
    for (const auto& part : record.parts) {
        if (part.empty()) {
            Invalid(where + "a part or ring without vertices");
        }
        vertices += part.size();
    }
    switch (kind) {
        case FileKind::Point:
            if (record.parts.size() != 1 || vertices != 1) {
                Invalid(where + "a point needs exactly one vertex");
            }
            break;
        case FileKind::Line:
        case FileKind::Polygon:
            if (record.parts.empty()) {
                Invalid(where + "a " + std::string(FileKindName(kind)) +
                        " needs at least one part");
            }
            break;
        default:
            if (!record.parts.empty()) {
                Invalid(where + "table rows have no geometry");
            }
            break;
    }
    return vertices;
}

// The size of record `r`'s slot, after checking that the record can be stored.
std::uint32_t SlotSize(FileKind kind, const RecordSpec& record, std::size_t r,
                       const std::vector<FieldSpec>& fields)
{
    const std::size_t infoSize = InfoSize(kind);
    const std::string where = RecordPrefix(r);
    if (record.attributes.size() != fields.size()) {
        Invalid(where + "has " + std::to_string(record.attributes.size()) +
                " attribute values for " + std::to_string(fields.size()) + " fields");
    }
    if (record.info.size() > infoSize) {
        Invalid(where + "graphic-parameter record of " + std::to_string(record.info.size()) +
                " bytes is larger than the " + std::to_string(infoSize) + " bytes of a " +
                FileKindName(kind) + " record");
    }
    if (!record.text.empty() && kind != FileKind::Point) {
        Invalid(where + "only points carry an annotation text");
    }
    if (record.text.size() > kMaxAnnotationText) {
        Invalid(where + "annotation text of " + std::to_string(record.text.size()) +
                " bytes is longer than 259 bytes");
    }
    const std::uint64_t vertices = CheckGeometry(kind, record, where);
    std::uint64_t size =
        kSlotHeaderSize + infoSize + 4 * record.parts.size() + 16 * vertices + record.text.size();
    for (std::size_t f = 0; f < fields.size(); ++f) {
        size += ValueSize(record.attributes[f], fields[f], where + FieldLabel(f, fields[f]) + ": ");
    }
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        Invalid(where + "is larger than 4 GiB");
    }
    return static_cast<std::uint32_t>(size);
}

// The bytes of `record`'s slot, check value included, into `slot`.
void EncodeSlot(FileKind kind, const RecordSpec& record, const std::vector<FieldSpec>& fields,
                std::vector<std::uint8_t>& slot)
{
    const std::size_t infoSize = InfoSize(kind);
    slot.assign(kSlotHeaderSize, 0);
    std::uint32_t vertices = 0;
    for (const auto& part : record.parts) {
        vertices += static_cast<std::uint32_t>(part.size());
    }
    Store<std::uint16_t>(slot.data() + 4, static_cast<std::uint16_t>(infoSize));
    Store<std::uint16_t>(slot.data() + 6, static_cast<std::uint16_t>(record.text.size()));
    Store<std::uint32_t>(slot.data() + 8, static_cast<std::uint32_t>(record.parts.size()));
    Store<std::uint32_t>(slot.data() + 12, vertices);
    slot.insert(slot.end(), record.info.begin(), record.info.end());
    slot.resize(kSlotHeaderSize + infoSize, 0);
    for (const auto& part : record.parts) {
        const std::size_t at = slot.size();
        slot.resize(at + 4);
        Store<std::uint32_t>(slot.data() + at, static_cast<std::uint32_t>(part.size()));
    }
    for (const auto& part : record.parts) {
        for (const Vertex& vertex : part) {
            const std::size_t at = slot.size();
            slot.resize(at + 16);
            Store<double>(slot.data() + at, vertex.x);
            Store<double>(slot.data() + at + 8, vertex.y);
        }
    }
    slot.insert(slot.end(), record.text.begin(), record.text.end());
    for (std::size_t f = 0; f < fields.size(); ++f) {
        AppendValue(slot, record.attributes[f], fields[f].type);
    }
    std::uint32_t crc = Crc32(slot.data() + 4, slot.size() - 4);
    if (record.damaged) {
        crc = ~crc;
    }
    Store<std::uint32_t>(slot.data(), crc);
}

}  // namespace

TorvexBuilder::TorvexBuilder(FileKind kind) : m_kind(kind) {}

void TorvexBuilder::AddField(const FieldSpec& field)
{
    m_fields.push_back(field);
}

void TorvexBuilder::SetProjection(const MAP_PARAstruct& projection)
{
    m_projection = projection;
}

void TorvexBuilder::SetAttributeRecordCount(std::uint32_t count)
{
    m_recordCountOverride = count;
}

void TorvexBuilder::AddRecord(RecordSpec record)
{
    m_records.push_back(std::move(record));
}

void TorvexBuilder::AddProjectItem(const std::string& utf8Path)
{
    m_items.push_back(utf8Path);
}

void TorvexBuilder::WriteTo(const std::filesystem::path& path) const
{
    const int kindCode = static_cast<int>(m_kind);
    if (kindCode < static_cast<int>(FileKind::Point) ||
        kindCode > static_cast<int>(FileKind::Project)) {
        Invalid("unknown file kind " + std::to_string(kindCode));
    }
    const bool project = m_kind == FileKind::Project;
    if (project &&
        (!m_fields.empty() || !m_records.empty() || m_projection || m_recordCountOverride)) {
        Invalid("a project file holds items only: no fields, records, projection or counts");
    }
    if (!project && !m_items.empty()) {
        Invalid(std::string("a ") + FileKindName(m_kind) + " file holds no project items");
    }
    if (m_fields.size() > std::numeric_limits<std::uint16_t>::max()) {
        Invalid("more than 65535 fields");
    }
    if (m_records.size() > static_cast<std::size_t>(INT_MAX) - 1) {
        Invalid("too many records");
    }
    const std::vector<std::uint8_t> fieldTable = BuildFieldTable(m_fields);
    // Slot sizes first, so that the index can precede the slots and nothing is written twice.
    std::vector<std::uint32_t> slotSizes(m_records.size());
    for (std::size_t r = 0; r < m_records.size(); ++r) {
        slotSizes[r] = SlotSize(m_kind, m_records[r], r, m_fields);
    }
    std::vector<std::string> items;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        items.push_back(ToGbkExactly(m_items[i], "project item " + std::to_string(i)));
    }

    // Layout: header, field table, projection, index (or items), slots.
    const std::uint64_t fieldTableOffset = kHeaderSize;
    const std::uint64_t projectionOffset = m_projection ? fieldTableOffset + fieldTable.size() : 0;
    const std::uint64_t indexOffset =
        fieldTableOffset + fieldTable.size() + (m_projection ? kProjectionSize : 0);
    const std::uint32_t slotCount =
        static_cast<std::uint32_t>(project ? items.size() : m_records.size());

    const std::uint32_t recordCount = project ? 0 : m_recordCountOverride.value_or(slotCount + 1);
    const HeaderLayout layout{kindCode,         m_fields.size(),  m_projection.has_value(),
                              recordCount,      slotCount,        fieldTable.size(),
                              fieldTableOffset, projectionOffset, indexOffset};
    std::uint8_t header[kHeaderSize] = {};
    FillHeader(header, layout);

    BlockWriter out(path);
    out.Write(header, sizeof(header));
    out.Write(fieldTable);
    if (m_projection) {
        out.Write(reinterpret_cast<const std::uint8_t*>(&*m_projection), kProjectionSize);
    }
    for (const std::string& item : items) {
        std::uint8_t length[2];
        Store<std::uint16_t>(length, static_cast<std::uint16_t>(item.size()));
        out.Write(length, 2);
        out.Write(reinterpret_cast<const std::uint8_t*>(item.data()), item.size());
    }
    std::uint64_t slotOffset = indexOffset + std::uint64_t{slotCount} * kIndexEntrySize;
    for (std::size_t r = 0; r < m_records.size(); ++r) {
        std::uint8_t entry[kIndexEntrySize] = {};
        Store<std::uint64_t>(entry, slotOffset);
        Store<std::uint32_t>(entry + 8, slotSizes[r]);
        Store<std::uint32_t>(entry + 12, m_records[r].deleted ? kIndexDeleted : 0);
        out.Write(entry, sizeof(entry));
        slotOffset += slotSizes[r];
    }
    std::vector<std::uint8_t> slot;
    for (const RecordSpec& record : m_records) {
        EncodeSlot(m_kind, record, m_fields, slot);
        out.Write(slot);
    }
    out.Finish();
}

}  // namespace Torvex
