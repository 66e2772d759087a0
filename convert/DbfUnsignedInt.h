// Unsigned 32-bit numbers in numeric .dbf fields, which shapelib has no writer for. Signed
// members reach it widened to unsigned, so a number too wide for its field is tried again as
// the signed number it came from (a flag of -1 is written as -1, not as 4294967295).
#pragma once

#include <cstdint>

#include "convert/DbfRow.h"

namespace Calvorn {

// Named like shapelib's own writers, which it completes. Writes a null value and returns
// DidNotFit when neither the unsigned nor the signed rendering fits the field.
DbfWriteStatus DBFWriteUnsignedIntAttribute(DbfRow& row, int field, std::uint32_t value);

}  // namespace Calvorn
