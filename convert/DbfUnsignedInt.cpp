#include "convert/DbfUnsignedInt.h"

namespace Calvorn {

DbfWriteStatus DBFWriteUnsignedIntAttribute(DbfRow& row, int field, std::uint32_t value)
{
    if (row.PutInteger(field, value) != DbfWriteStatus::DidNotFit) {
        return DbfWriteStatus::Written;
    }
    // The null value the unsigned number left stays when the signed one does not fit either.
    return row.PutInteger(field, static_cast<std::int32_t>(value));
}

}  // namespace Calvorn
