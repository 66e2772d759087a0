#include "convert/DbfNumber.h"

#include <algorithm>
#include <array>
#include <bit>
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

constexpr std::array<std::uint64_t, 20> MakeUnsignedPowers()
{
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}
constexpr std::array<std::uint64_t, 20> kUnsignedPowers = MakeUnsignedPowers();

// "00" to "99".
constexpr std::array<char, 200> MakeDigitPairs()
{
    std::array<char, 200> pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}
constexpr std::array<char, 200> kDigitPairs = MakeDigitPairs();

std::size_t DigitCount(std::uint64_t value)
{
    // log10 from log2 (1233 / 4096 is just above log10(2)), then one comparison to settle it.
    value |= 1;  // 0 has one digit too
    const auto guess = static_cast<std::size_t>(std::bit_width(value) * 1233 >> 12);
    return guess + (guess < kUnsignedPowers.size() && value >= kUnsignedPowers[guess] ? 1 : 0);
}

// Writes the last `count` decimal digits of `value` so that they end at `end`; returns where
// they begin.
template <typename Unsigned>
char* PutDigitsOf(Unsigned value, std::size_t count, char* end)
{
    for (; count >= 2; count -= 2) {
        const auto pair = 2 * static_cast<std::size_t>(value % 100);
        value /= 100;
        *--end = kDigitPairs[pair + 1];
        *--end = kDigitPairs[pair];
    }
    if (count == 1) {
        *--end = static_cast<char>('0' + value % 10);
    }
    return end;
}

char* PutDigits(std::uint64_t value, std::size_t count, char* end)
{
    // Nearly every number fits 32 bits, whose division by 100 costs less.
    return value <= 0xFFFFFFFFu && count <= 10
               ? PutDigitsOf(static_cast<std::uint32_t>(value), count, end)
               : PutDigitsOf(value, count, end);
}

#ifdef __SIZEOF_INT128__
using U128 = unsigned __int128;

// Splits `value` rounded to `decimals` digits after the point; false when the way below does
// not apply (more than 19 decimals, or 2^64 and more), and printf's own way is left to
// std::to_chars. The integer part and the rest of a double are exact doubles; the rest is
// m × 2^e (m below 2^53), so its decimals, m × 10^decimals × 2^e, are worked out in 128-bit
// integers and rounded to the nearest integer, a tie to the even one: what printf and
// std::to_chars write in the default rounding mode.
bool SplitFixed(double value, int decimals, DbfNumberParts& parts)
{
    const double magnitude = std::fabs(value);
    if (decimals > 19 || !(magnitude < 18446744073709551616.0)) {
        return false;
    }
    parts.negative = std::signbit(value);
    parts.integer = static_cast<std::uint64_t>(magnitude);
    parts.decimals = 0;
    parts.integerDigits = static_cast<std::uint32_t>(DigitCount(parts.integer));
    const double rest = magnitude - static_cast<double>(parts.integer);
    if (rest == 0.0) {
        return true;
    }
    const auto bits = std::bit_cast<std::uint64_t>(rest);
    const auto biased = static_cast<int>(bits >> 52);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int shift = (biased == 0 ? 1074 : 1075 - biased);  // rest < 1: at least 53
    if (shift >= 128) {
        return true;  // below 2^-75: rounds to nothing, never to a tie
    }
    const auto scale = static_cast<std::size_t>(decimals);
    const U128 scaled = U128{mantissa} * kUnsignedPowers[scale];
    auto rounded = static_cast<std::uint64_t>(scaled >> shift);
    const U128 remainder = scaled & ((U128{1} << shift) - 1);
    const U128 half = U128{1} << (shift - 1);
    const std::uint64_t last = decimals == 0 ? parts.integer : rounded;
    if (remainder > half || (remainder == half && (last & 1) != 0)) {
        if (++rounded == kUnsignedPowers[scale]) {
            rounded = 0;
            parts.integerDigits = static_cast<std::uint32_t>(DigitCount(++parts.integer));
        }
    }
    parts.decimals = rounded;
    return true;
}
#else
bool SplitFixed(double, int, DbfNumberParts&)
{
    return false;
}
#endif

std::size_t FixedLength(const DbfNumberParts& parts, int decimals)
{
    return (parts.negative ? 1 : 0) + parts.integerDigits +
           (decimals > 0 ? static_cast<std::size_t>(decimals) + 1 : 0);
}

// Writes the number so that it ends at `end`; returns where it begins.
char* PutFixed(const DbfNumberParts& parts, int decimals, char* end)
{
    if (decimals > 0) {
        end = PutDigits(parts.decimals, static_cast<std::size_t>(decimals), end);
        *--end = '.';
    }
    end = PutDigits(parts.integer, parts.integerDigits, end);
    if (parts.negative) {
        *--end = '-';
    }
    return end;
}

}  // namespace

DbfNumberFit SplitDbfNumber(double value, int width, int decimals, DbfNumberParts& parts)
{
    if (!std::isfinite(value) || width < 1 || width > kDbfMaxFieldWidth || decimals < 0) {
        return DbfNumberFit::DoesNotFit;
    }
    if (!SplitFixed(value, decimals, parts)) {
        return DbfNumberFit::OtherWay;
    }
    return FixedLength(parts, decimals) <= static_cast<std::size_t>(width)
               ? DbfNumberFit::Fits
               : DbfNumberFit::DoesNotFit;
}

DbfNumberFit SplitDbfInteger(std::int64_t value, int width, int decimals, DbfNumberParts& parts)
{
    if (width < 1 || width > kDbfMaxFieldWidth || decimals < 0) {
        return DbfNumberFit::DoesNotFit;
    }
    if (decimals > 19) {
        return DbfNumberFit::OtherWay;
    }
    parts.negative = value < 0;
    parts.integer =
        parts.negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    parts.decimals = 0;
    parts.integerDigits = static_cast<std::uint32_t>(DigitCount(parts.integer));
    return FixedLength(parts, decimals) <= static_cast<std::size_t>(width)
               ? DbfNumberFit::Fits
               : DbfNumberFit::DoesNotFit;
}

void PutDbfNumber(const DbfNumberParts& parts, int width, int decimals, char* out)
{
    for (char* begin = PutFixed(parts, decimals, out + width); begin > out;) {
        *--begin = ' ';
    }
}

std::size_t RenderFixed(double value, int decimals, char* out)
{
    DbfNumberParts parts{};
    if (SplitFixed(value, decimals, parts)) {
        const std::size_t length = FixedLength(parts, decimals);
        PutFixed(parts, decimals, out + length);
        return length;
    }
    const auto result =
        std::to_chars(out, out + kFixedTextSize, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - out) : 0;
}

bool RenderDbfNumber(double value, int width, int decimals, char* out)
{
    DbfNumberParts parts{};
    switch (SplitDbfNumber(value, width, decimals, parts)) {
        case DbfNumberFit::Fits:
            PutDbfNumber(parts, width, decimals, out);
            return true;
        case DbfNumberFit::DoesNotFit:
            return false;
        case DbfNumberFit::OtherWay:
            break;
    }
    // Reject what surely cannot fit (more than digits + 1 integer digits) before formatting.
    const int digits = width - (decimals > 0 ? decimals + 1 : 0);
    if (digits < 1 || std::fabs(value) >= PowerOfTen(digits + 1)) {
        return false;
    }
    char text[kFixedTextSize];
    const std::size_t length = RenderFixed(value, decimals, text);
    const auto fieldWidth = static_cast<std::size_t>(width);
    if (length == 0 || length > fieldWidth) {
        return false;
    }
    std::memset(out, ' ', fieldWidth - length);
    std::memcpy(out + (fieldWidth - length), text, length);
    return true;
}

}  // namespace Calvorn
