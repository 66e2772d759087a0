// The attribute type codes GetFieldInfo returns (FORMAT.md), and reading a value in the layout
// ReadAttribute delivers it in. Values of other codes are never delivered.
#pragma once

#include <cstddef>
#include <cstring>

namespace Torvex {

enum TypeCode : int {
    kText = 0,
    kUnsigned8 = 1,
    kSigned16 = 2,
    kSigned32 = 3,
    kFloat = 4,
    kDouble = 5,
    kDate = 6,  // i16 year, i8 month, i8 day
    kTime = 7,  // i8 hour, i8 minute, f64 seconds
    kBoolean = 8,
    kLongText = 9,
};

// The member at `offset` of a delivered value: values are unaligned bytes.
template <typename T>
T LoadValue(const void* value, std::size_t offset = 0)
{
    T result;
    std::memcpy(&result, static_cast<const unsigned char*>(value) + offset, sizeof(T));
    return result;
}

}  // namespace Torvex
