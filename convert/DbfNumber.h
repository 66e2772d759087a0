// Numbers in .dbf fields, rendered exactly as shapelib renders them ("%*.*f" with the field's
// width and decimals) but checked first: shapelib cuts a rendering that is too long to its
// leading characters, which leaves a wrong number in the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Calvorn {

enum class DbfWriteStatus {
    Written,    // the value is in the file as given
    Cut,        // text shortened to the field width (on a character boundary)
    DidNotFit,  // a number too wide for its field: a null value was written instead
    Refused,    // shapelib refused the write (bad row or field, I/O error)
};

// The widest .dbf field.
inline constexpr int kDbfMaxFieldWidth = 255;

// A number rounded to a field's decimals, its fit settled: what is left to write out is digits.
struct DbfNumberParts {
    std::uint64_t integer;
    std::uint64_t decimals;  // the digits after the point, as an integer
    std::uint32_t integerDigits;
    bool negative;
};

enum class DbfNumberFit {
    Fits,
    DoesNotFit,
    OtherWay,  // RenderDbfNumber's slower way must decide (over 19 decimals, 2^64 and more)
};

// Rounds `value` for a field `width` wide with `decimals` into `parts` and tells whether it
// fits; PutDbfNumber then writes it. The two split the work of RenderDbfNumber, so that it can
// be done in two places (the record loop writes the digits on the writing side).
DbfNumberFit SplitDbfNumber(double value, int width, int decimals, DbfNumberParts& parts);
// The same for an integer below 2^53 in magnitude (one a double holds exactly).
DbfNumberFit SplitDbfInteger(std::int64_t value, int width, int decimals, DbfNumberParts& parts);
// Writes a number that fits right-aligned into the `width` bytes at `out`.
void PutDbfNumber(const DbfNumberParts& parts, int width, int decimals, char* out);

// Writes `value` right-aligned into the `width` bytes at `out` (no terminating zero) with
// `decimals` digits after a point, as printf's "%*.*f" in the C locale would; false, writing
// nothing, when that does not fit (or the value is not a finite number). Allocates nothing:
// the record loop renders every number through here.
bool RenderDbfNumber(double value, int width, int decimals, char* out);

// Room RenderFixed needs: any finite double with up to kDbfMaxFieldWidth decimals.
inline constexpr std::size_t kFixedTextSize = 640;

// `value` (finite) with `decimals` (0..kDbfMaxFieldWidth) digits after the point, as "%.*f" in
// the C locale, at `out` (kFixedTextSize bytes, no terminating zero); returns the length.
std::size_t RenderFixed(double value, int decimals, char* out);

}  // namespace Calvorn
