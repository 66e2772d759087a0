#include "convert/DbfNumber.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace Calvorn {

namespace {

// Powers of ten that a double holds exactly.
constexpr std::array<double, 23> kPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

double PowerOfTen(int exponent)
{
    return exponent < static_cast<int>(kPowersOfTen.size())
               ? kPowersOfTen[static_cast<std::size_t>(exponent)]
               : std::pow(10.0, exponent);
}

// `value` with `decimals` digits after the point, written at `out`; returns the length, or 0
// when the quick way cannot be sure of the last digit. The quick way rounds value × 10^decimals
// to an integer: the product carries at most half an ulp of error, so the result is the
// correctly rounded one (what printf and std::to_chars write) unless the product lies within
// that error of a half; then, and for numbers too large for it, the caller takes to_chars.
std::size_t QuickFixed(double value, int decimals, char* out)
{
    constexpr double kLimit = 4503599627370496.0;  // 2^52: integers and halves exact below it
    if (decimals > 15) {
        return 0;
    }
    const double scaled = std::fabs(value) * kPowersOfTen[static_cast<std::size_t>(decimals)];
    if (!(scaled < kLimit)) {
        return 0;
    }
    const double rounded = std::nearbyint(scaled);
    const double error = scaled * 0x1p-52;
    if (std::fabs(std::fabs(scaled - rounded) - 0.5) <= error) {
        return 0;
    }
    auto digits = static_cast<std::uint64_t>(rounded);
    // Digits backwards, at least one before the point.
    char reversed[24];
    std::size_t count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    } while (digits != 0);
    const auto places = static_cast<std::size_t>(decimals);
    while (count < places + 1) {
        reversed[count++] = '0';
    }
    std::size_t length = 0;
    // printf keeps the sign of a negative number that rounds to zero ("-0.00").
    if (std::signbit(value)) {
        out[length++] = '-';
    }
    for (std::size_t i = count; i-- > 0;) {
        out[length++] = reversed[i];
        if (i == places && places > 0) {
            out[length++] = '.';
        }
    }
    return length;
}

}  // namespace

bool RenderDbfNumber(double value, int width, int decimals, char* out)
{
    // No .dbf field is wider than 255 characters.
    if (!std::isfinite(value) || width < 1 || width >= kDbfNumberBufferSize || decimals < 0) {
        return false;
    }
    // Reject what surely cannot fit (more than digits + 1 integer digits) before formatting,
    // so that the text never needs more room than the buffer has.
    const int digits = width - (decimals > 0 ? decimals + 1 : 0);
    if (digits < 1 || std::fabs(value) >= PowerOfTen(digits + 1)) {
        return false;
    }
    char text[kDbfNumberBufferSize + 32];
    std::size_t length = QuickFixed(value, decimals, text);
    if (length == 0) {
        const auto result =
            std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, decimals);
        if (result.ec != std::errc()) {
            return false;
        }
        length = static_cast<std::size_t>(result.ptr - text);
    }
    const auto fieldWidth = static_cast<std::size_t>(width);
    if (length > fieldWidth) {
        return false;
    }
    std::memset(out, ' ', fieldWidth - length);
    std::memcpy(out + (fieldWidth - length), text, length);
    out[fieldWidth] = '\0';
    return true;
}

std::optional<std::string> RenderDbfNumber(double value, int width, int decimals)
{
    char text[kDbfNumberBufferSize];
    if (!RenderDbfNumber(value, width, decimals, text)) {
        return std::nullopt;
    }
    return std::string(text);
}

DbfWriteStatus WriteDbfNumber(DBFHandle dbf, int row, int field, double value)
{
    if (dbf == nullptr || field < 0 || field >= DBFGetFieldCount(dbf)) {
        return DbfWriteStatus::Refused;
    }
    const char type = DBFGetNativeFieldType(dbf, field);
    if (type != 'N' && type != 'F') {
        return DbfWriteStatus::Refused;
    }
    int width = 0;
    int decimals = 0;
    DBFGetFieldInfo(dbf, field, nullptr, &width, &decimals);
    return WriteDbfNumber(dbf, row, field, value, width, decimals);
}

DbfWriteStatus WriteDbfNumber(DBFHandle dbf, int row, int field, double value, int width,
                              int decimals)
{
    char text[kDbfNumberBufferSize];
    if (!RenderDbfNumber(value, width, decimals, text)) {
        return DBFWriteNULLAttribute(dbf, row, field) ? DbfWriteStatus::DidNotFit
                                                      : DbfWriteStatus::Refused;
    }
    // Written as ready bytes: the same as shapelib's own "%*.*f" in the C locale, whatever
    // the process locale says.
    return DBFWriteAttributeDirectly(dbf, row, field, text) ? DbfWriteStatus::Written
                                                            : DbfWriteStatus::Refused;
}

}  // namespace Calvorn
