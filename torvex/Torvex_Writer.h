// Reads one Torvex data file (point, line, polygon or table). Despite its name it only reads:
// the name is the one the converters have always called it by.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "torvex/Geometry.h"
#include "torvex/Records.h"
#include "torvex/Result.h"

namespace Torvex {

class FileImage;  // the opened file's bytes and index (internal)

// An attribute field as the file describes it.
struct FieldDescriptor {
    std::string name;  // UTF-8
    int type = 0;
    int width = 0;
    int decimals = 0;
};

// The parts and vertices of shapes read one after another (ReadShape) into the same arrays,
// which keep their room: gathering many shapes then allocates nothing once they are large
// enough.
struct ShapeArrays {
    std::vector<double> x;
    std::vector<double> y;
    std::vector<int> partStarts;  // each counted from the first vertex of its own shape
};

class Torvex_Writer {
public:
    Torvex_Writer();
    ~Torvex_Writer();
    Torvex_Writer(const Torvex_Writer&) = delete;
    Torvex_Writer& operator=(const Torvex_Writer&) = delete;

    // mode 1 = read. Returns >= 0 when open, else one of the negative Result codes.
    int Open(const std::filesystem::path& path, int mode);
    void Close();

    // The two counts of the open file: attribute fields (16-bit in the file) and attribute
    // records (32-bit in the file, one more than the data records).
    int GetFieldCount() const;
    int GetRecordCount() const;

    // Returns the live record count (slots not deleted). slotCount: every slot, deleted ones
    // included; shapeType: SHPT_POINT, SHPT_ARC or SHPT_POLYGON (SHPT_NULL for tables);
    // reserved: always 0. Any out-parameter may be null.
    int GetInfo(int* slotCount, int* shapeType, int* reserved);

    // Returns the attribute type code of field `field` (0..9 known, others stored as given),
    // or kFieldDefinitionError for a bad index. name is UTF-8. (Inline: the converters ask it
    // for every value of every record.)
    int GetFieldInfo(int field, std::string* name, int* reserved, int* width, int* decimals)
    {
        if (m_fields == nullptr || field < 0 ||
            static_cast<std::size_t>(field) >= m_fields->size()) {
            return kFieldDefinitionError;
        }
        const FieldDescriptor& descriptor = (*m_fields)[static_cast<std::size_t>(field)];
        if (name != nullptr) {
            *name = descriptor.name;
        }
        if (reserved != nullptr) {
            *reserved = 0;
        }
        if (width != nullptr) {
            *width = descriptor.width;
        }
        if (decimals != nullptr) {
            *decimals = descriptor.decimals;
        }
        return descriptor.type;
    }

    // Record slots, 0-based. Return kRecordRead (record and geometry filled), kDeleted,
    // kReadFailed, or another negative value for a slot out of range.
    int ReadArcInfo(int slot, TORVEX_LineInfo* info, Geometry* geometry);
    // text: a buffer of at least kAnnotationBufferSize bytes; receives the GBK annotation text,
    // zero-terminated (empty for points without text).
    int ReadPointInfo(int slot, TORVEX_PntInfo* info, Geometry* geometry, char* text);
    int ReadPolygonInfo(int slot, TORVEX_RegInfo* info, Geometry* geometry);
    // Row `slot` of a table file: kRecordRead when its values can be read, kDeleted,
    // kReadFailed, kSourceChanged, or another negative value (out of range, not a table file).
    int ReadTableRow(int slot);

    // Appends the parts (none for points) and vertices of `slot` to `arrays`: the shape the
    // Read...Info call for that slot read, which may pass a null geometry then. False, with
    // nothing appended, when that slot cannot be read.
    bool ReadShape(int slot, ShapeArrays& arrays);

    // Whether a read found the file shorter than when it was opened (kSourceChanged): another
    // program cut it while it was being read.
    bool SourceChanged() const;

    // Pointer to the value of (record, field) in the layout of its type code (text: GBK bytes,
    // zero-terminated), valid until the next call on this object; null when absent, when the
    // record or field is out of range, or when `type` is not the field's type code.
    const void* ReadAttribute(int record, int field, int type);
    // Every value of `record` without a copy, each in the layout of its field's own type code
    // (text without the terminating zero), into `values` (GetFieldCount() of them): one call for
    // a record. A null data() where ReadAttribute gives null; valid as long. False, every value
    // null, when the record cannot be read.
    bool ViewAttributes(int record, std::string_view* values);

    // Fills `record` and returns 1 when the file has a projection record; otherwise clears
    // `record` to zero and returns 0.
    int GetProjection(MAP_PARAstruct* record);

    static constexpr int kAnnotationBufferSize = 260;

private:
    std::unique_ptr<FileImage> m_file;
    const std::vector<FieldDescriptor>* m_fields = nullptr;  // the open file's
};

}  // namespace Torvex
