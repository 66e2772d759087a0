#include "convert/DbfRow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "convert/GbkText.h"

namespace Calvorn {

namespace {

// What shapelib's DBFWriteNULLAttribute fills a field of each type with.
char NullCharacter(char type)
{
    switch (type) {
        case 'N':
        case 'F':
            return '*';
        case 'D':
            return '0';
        case 'L':
            return '?';
        default:
            return ' ';
    }
}

// Two digits and more, zero-padded, as "%02d" writes a number from 0 to 99 and more.
char* PutPadded(char* out, int value, int digits)
{
    char* end = out + digits;
    for (char* p = end; p > out; value /= 10) {
        *--p = static_cast<char>('0' + value % 10);
    }
    return end;
}

// Text left-aligned in a field of `width`, cut before the first character that does not fit.
std::size_t PutLeft(char* at, std::size_t width, std::string_view gbk)
{
    const std::size_t length = GbkPrefixLength(gbk, width);
    if (length > 0) {
        std::memcpy(at, gbk.data(), length);
    }
    std::memset(at + length, ' ', width - length);
    return length;
}

}  // namespace

std::string_view DateText(int year, int month, int day, char* out)
{
    if (year <= 0 && month <= 0 && day <= 0) {
        return {};
    }
    // Every record has its dates: the common case by hand, printf for the odd ones.
    if (year < 0 || year > 9999 || month < 0 || month > 99 || day < 0 || day > 99) {
        const int length =
            std::snprintf(out, kDateTimeTextSize, "%04d-%02d-%02d", year, month, day);
        return {out, static_cast<std::size_t>(std::max(length, 0))};
    }
    char* p = PutPadded(out, year, 4);
    *p++ = '-';
    p = PutPadded(p, month, 2);
    *p++ = '-';
    p = PutPadded(p, day, 2);
    return {out, static_cast<std::size_t>(p - out)};
}

std::string_view TimeText(int hour, int minute, double seconds, char* out)
{
    if (hour <= 0 && minute <= 0 && !(seconds > 0)) {
        return {};
    }
    const int prefix = std::snprintf(out, kDateTimeTextSize, "%02d:%02d:", hour, minute);
    char* p = out + std::max(prefix, 0);
    // printf's "%04.2f": zero padding applies to numbers only; "nan" and "inf" are padded
    // with spaces. Two decimals make every number at least four characters wide.
    if (std::isnan(seconds) || std::isinf(seconds)) {
        const char* word = std::isnan(seconds) ? "nan" : "inf";
        const bool negative = std::signbit(seconds);
        if (!negative) {
            *p++ = ' ';
        }
        if (negative) {
            *p++ = '-';
        }
        std::memcpy(p, word, 3);
        p += 3;
    } else {
        p += RenderFixed(seconds, 2, p);
    }
    return {out, static_cast<std::size_t>(p - out)};
}

void DbfRow::Complete(const std::vector<DeferredField>& deferred, char* storage)
{
    char text[kDateTimeTextSize];
    for (const DeferredField& field : deferred) {
        char* at = storage + field.offset;
        if (field.decimals >= 0) {
            PutDbfNumber(field.number, field.width, field.decimals, at);
        } else {
            PutLeft(at, static_cast<std::size_t>(field.width),
                    DateText(field.date.year, field.date.month, field.date.day, text));
        }
    }
}

void DbfRow::Clear()
{
    std::memset(m_bytes, ' ', m_layout->rowLength);
}

void DbfRow::ThrowNoSuchField(int field) const
{
    const bool exists = field >= 0 && static_cast<std::size_t>(field) < m_layout->fields.size();
    throw std::invalid_argument(
        exists ? "field " + std::to_string(field) + " has type " +
                     std::string(1, m_layout->fields[static_cast<std::size_t>(field)].type)
               : "no field " + std::to_string(field));
}

DbfWriteStatus DbfRow::PutText(int field, std::string_view gbk)
{
    const DbfField& layout = Field(field, false);
    const std::size_t length = PutLeft(At(layout), static_cast<std::size_t>(layout.width), gbk);
    return length < gbk.size() ? DbfWriteStatus::Cut : DbfWriteStatus::Written;
}

DbfWriteStatus DbfRow::PutSplit(const DbfField& layout, DbfNumberFit fit,
                                const DbfNumberParts& parts, double value)
{
    switch (fit) {
        case DbfNumberFit::Fits:
            if (m_deferred != nullptr) {
                Defer(layout, layout.decimals).number = parts;
            } else {
                PutDbfNumber(parts, layout.width, layout.decimals, At(layout));
            }
            return DbfWriteStatus::Written;
        case DbfNumberFit::OtherWay:
            if (RenderDbfNumber(value, layout.width, layout.decimals, At(layout))) {
                return DbfWriteStatus::Written;
            }
            break;
        case DbfNumberFit::DoesNotFit:
            break;
    }
    std::memset(At(layout), NullCharacter(layout.type), static_cast<std::size_t>(layout.width));
    return DbfWriteStatus::DidNotFit;
}

DbfWriteStatus DbfRow::PutNumber(int field, double value)
{
    const DbfField& layout = Field(field, true);
    DbfNumberParts parts{};
    return PutSplit(layout, SplitDbfNumber(value, layout.width, layout.decimals, parts), parts,
                    value);
}

DbfWriteStatus DbfRow::PutInteger(int field, std::int64_t value)
{
    const DbfField& layout = Field(field, true);
    DbfNumberParts parts{};
    return PutSplit(layout, SplitDbfInteger(value, layout.width, layout.decimals, parts), parts,
                    static_cast<double>(value));
}

DeferredField& DbfRow::Defer(const DbfField& layout, int decimals)
{
    DeferredField& deferred = m_deferred->emplace_back();
    deferred.offset = static_cast<std::uint32_t>(m_base + layout.offset);
    deferred.width = static_cast<std::int16_t>(layout.width);
    deferred.decimals = static_cast<std::int16_t>(decimals);
    return deferred;
}

void DbfRow::PutDate(int field, int year, int month, int day)
{
    const DbfField& layout = Field(field, false);
    if (m_deferred != nullptr) {
        Defer(layout, -1).date = {year, month, day};
        return;
    }
    char text[kDateTimeTextSize];
    PutLeft(At(layout), static_cast<std::size_t>(layout.width), DateText(year, month, day, text));
}

void DbfRow::PutNull(int field)
{
    if (field < 0 || static_cast<std::size_t>(field) >= m_layout->fields.size()) {
        ThrowNoSuchField(field);
    }
    const DbfField& layout = m_layout->fields[static_cast<std::size_t>(field)];
    std::memset(At(layout), NullCharacter(layout.type), static_cast<std::size_t>(layout.width));
}

}  // namespace Calvorn
