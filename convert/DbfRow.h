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

// A field of a row whose bytes are written out later (DbfRow::Complete): a number whose fit is
// settled, or a date. `offset` counts from the start of the storage the row lies in. Small:
// every record of a batch has a few, and they go from one thread to the other.
struct DeferredField {
    struct Date {
        int year;
        int month;
        int day;
    };
    std::uint32_t offset;
    std::int16_t width;
    std::int16_t decimals;  // -1: a date
    union {
        DbfNumberParts number;
        Date date;
    };
};

class DbfRow {
public:
    // `bytes` holds layout.rowLength bytes; both must outlive the row. With `deferred`, the
    // digits of numbers that fit and the text of dates are left to Complete: that work can go
    // to another thread; `base` is where `bytes` lies in the storage Complete is given.
    DbfRow(const DbfLayout& layout, char* bytes, std::vector<DeferredField>* deferred = nullptr,
           std::size_t base = 0)
        : m_layout(&layout), m_bytes(bytes), m_deferred(deferred), m_base(base)
    {
    }

    // Writes the deferred fields into the rows lying in `storage`.
    static void Complete(const std::vector<DeferredField>& deferred, char* storage);

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
    // A date value as DateText writes it, into a text field (cut to the field, without a word).
    void PutDate(int field, int year, int month, int day);
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
    DbfWriteStatus PutSplit(const DbfField& field, DbfNumberFit fit, const DbfNumberParts& parts,
                            double value);
    DeferredField& Defer(const DbfField& layout, int decimals);

    const DbfLayout* m_layout;
    char* m_bytes;
    std::vector<DeferredField>* m_deferred;
    std::size_t m_base;
};

// Room DateText and TimeText need.
inline constexpr std::size_t kDateTimeTextSize = kFixedTextSize + 16;

// The text of a date value, "%04d-%02d-%02d", written at `out` (kDateTimeTextSize bytes); empty
// when no part is positive.
std::string_view DateText(int year, int month, int day, char* out);

// The text of a time value, "%02d:%02d:%04.2f" as printf writes it in the C locale (the
// seconds are not padded to two integer digits: 3.5 s gives "3.50"), at `out`; empty when no
// part is positive.
std::string_view TimeText(int hour, int minute, double seconds, char* out);

}  // namespace Calvorn
