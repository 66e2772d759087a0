#include "convert/DbfNumber.h"

#include <cmath>

#include "app/TextFormat.h"

namespace Calvorn {

std::optional<std::string> RenderDbfNumber(double value, int width, int decimals)
{
    // No .dbf field is wider than 255 characters.
    if (!std::isfinite(value) || width < 1 || width > 255 || decimals < 0) {
        return std::nullopt;
    }
    // Reject what surely cannot fit (more than digits + 1 integer digits) before formatting,
    // so that FormatFixed never needs more room than it has.
    const int digits = width - (decimals > 0 ? decimals + 1 : 0);
    if (digits < 1 || std::fabs(value) >= std::pow(10.0, digits + 1)) {
        return std::nullopt;
    }
    const std::string text = FormatFixed(value, decimals);
    if (text.size() > static_cast<std::size_t>(width)) {
        return std::nullopt;
    }
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
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
    std::optional<std::string> text = RenderDbfNumber(value, width, decimals);
    if (!text) {
        return DBFWriteNULLAttribute(dbf, row, field) ? DbfWriteStatus::DidNotFit
                                                      : DbfWriteStatus::Refused;
    }
    // Written as ready bytes: the same as shapelib's own "%*.*f" in the C locale, whatever
    // the process locale says.
    return DBFWriteAttributeDirectly(dbf, row, field, text->data()) ? DbfWriteStatus::Written
                                                                    : DbfWriteStatus::Refused;
}

}  // namespace Calvorn
