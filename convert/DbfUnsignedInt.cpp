#include "convert/DbfUnsignedInt.h"

namespace Calvorn {

DbfWriteStatus DBFWriteUnsignedIntAttribute(DBFHandle dbf, int row, int field, std::uint32_t value)
{
    if (dbf == nullptr || field < 0 || field >= DBFGetFieldCount(dbf)) {
        return DbfWriteStatus::Refused;
    }
    int width = 0;
    int decimals = 0;
    DBFGetFieldInfo(dbf, field, nullptr, &width, &decimals);
    const auto asSigned = static_cast<std::int32_t>(value);
    // When neither rendering fits, the unsigned number goes on to write the null value.
    if (!RenderDbfNumber(value, width, decimals) && RenderDbfNumber(asSigned, width, decimals)) {
        return WriteDbfNumber(dbf, row, field, asSigned);
    }
    return WriteDbfNumber(dbf, row, field, value);
}

}  // namespace Calvorn
