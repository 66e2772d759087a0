// Numbers in .dbf fields, rendered exactly as shapelib renders them ("%*.*f" with the field's
// width and decimals) but checked first: shapelib cuts a rendering that is too long to its
// leading characters, which leaves a wrong number in the file.
#pragma once

#include <shapefil.h>

#include <optional>
#include <string>

namespace Calvorn {

enum class DbfWriteStatus {
    Written,    // the value is in the file as given
    Cut,        // text shortened to the field width (on a character boundary)
    DidNotFit,  // a number too wide for its field: a null value was written instead
    Refused,    // shapelib refused the write (bad row or field, I/O error)
};

// Room RenderDbfNumber's buffer form needs: the widest field and the terminating zero.
inline constexpr int kDbfNumberBufferSize = 256;

// `value` right-aligned in `width` characters with `decimals` digits after a point, or nothing
// when it does not fit (or is not a finite number).
std::optional<std::string> RenderDbfNumber(double value, int width, int decimals);
// The same into `out` (kDbfNumberBufferSize bytes), zero-terminated; false when it does not
// fit. Allocates nothing: the record loop renders every number through here.
bool RenderDbfNumber(double value, int width, int decimals, char* out);

// Writes `value` into a numeric field of row `row` (an existing row or the next new one), or a
// null value when it does not fit.
DbfWriteStatus WriteDbfNumber(DBFHandle dbf, int row, int field, double value);
// The same for a field already known to be numeric, `width` wide with `decimals`.
DbfWriteStatus WriteDbfNumber(DBFHandle dbf, int row, int field, double value, int width,
                              int decimals);

}  // namespace Calvorn
