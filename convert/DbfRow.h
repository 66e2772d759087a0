// One .dbf row as the bytes the file holds for it: a blank deletion flag, then every field at
// its offset, blank until set. The converters fill rows away from shapelib (on the reading
// thread) and DbfFile::AppendRow writes each whole; the bytes are those shapelib's own writers
// would leave: text left-aligned and blank-padded, numbers right-aligned ("%*.*f"), null values
// in shapelib's null characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "convert/DbfNumber.h"

namespace Calvorn {

struct DbfField {
    char type;  // 'C', 'N', 'F', 'L' or 'D'
    int width;
    int decimals;
    std::size_t offset;  // from the start of the row (the deletion flag is byte 0)
};

// The fields of a .dbf, in order, and the length of a row.
struct DbfLayout {
    std::vector<DbfField> fields;
    std::size_t rowLength = 1;
};

class DbfRow {
public:
    // `bytes` holds layout.rowLength bytes; both must outlive the row.
    DbfRow(const DbfLayout& layout, char* bytes) : m_layout(&layout), m_bytes(bytes) {}

    // Every field blank.
    void Clear();

    // Text into a text field: the bytes as given, cut before the first GBK character that does
    // not fit whole (Cut). Numbers into numeric fields: a number that does not fit is written as
    // a null value (DidNotFit). A value for a field of another type, or for a field that does
    // not exist, throws std::invalid_argument.
    DbfWriteStatus PutText(int field, std::string_view gbk);
    DbfWriteStatus PutNumber(int field, double value);
    // The same for an integer below 2^53 in magnitude, without going through a double.
    DbfWriteStatus PutInteger(int field, std::int64_t value);
    // Any field: shapelib's null value for its type.
    void PutNull(int field);

    const DbfLayout& Layout() const { return *m_layout; }
    const char* Bytes() const { return m_bytes; }

private:
    // The field `field`, which takes numbers or text; throws std::invalid_argument otherwise.
    const DbfField& Field(int field, bool numeric) const
    {
        if (field >= 0 && static_cast<std::size_t>(field) < m_layout->fields.size()) {
            const DbfField& layout = m_layout->fields[static_cast<std::size_t>(field)];
            if (numeric ? layout.type == 'N' || layout.type == 'F' : layout.type == 'C') {
                return layout;
            }
        }
        ThrowNoSuchField(field);
    }
    [[noreturn]] void ThrowNoSuchField(int field) const;
    char* At(const DbfField& field) const { return m_bytes + field.offset; }

    const DbfLayout* m_layout;
    char* m_bytes;
};

}  // namespace Calvorn
