#include "convert/DbfRow.h"

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

}  // namespace

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
    const auto width = static_cast<std::size_t>(layout.width);
    const std::size_t length = GbkPrefixLength(gbk, width);
    char* at = At(layout);
    if (length > 0) {
        std::memcpy(at, gbk.data(), length);
    }
    std::memset(at + length, ' ', width - length);
    return length < gbk.size() ? DbfWriteStatus::Cut : DbfWriteStatus::Written;
}

DbfWriteStatus DbfRow::PutNumber(int field, double value)
{
    const DbfField& layout = Field(field, true);
    if (RenderDbfNumber(value, layout.width, layout.decimals, At(layout))) {
        return DbfWriteStatus::Written;
    }
    std::memset(At(layout), NullCharacter(layout.type), static_cast<std::size_t>(layout.width));
    return DbfWriteStatus::DidNotFit;
}

DbfWriteStatus DbfRow::PutInteger(int field, std::int64_t value)
{
    const DbfField& layout = Field(field, true);
    if (RenderDbfInteger(value, layout.width, layout.decimals, At(layout))) {
        return DbfWriteStatus::Written;
    }
    std::memset(At(layout), NullCharacter(layout.type), static_cast<std::size_t>(layout.width));
    return DbfWriteStatus::DidNotFit;
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
