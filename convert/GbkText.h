// Cutting GBK bytes without splitting a double-byte character, and making .dbf field names
// unique the way dBASE readers compare them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Calvorn {

// The longest prefix of `gbk` of at most `maxBytes` bytes that ends on a character boundary.
// A byte 0x81..0xFE starts a double-byte character together with the byte after it.
std::size_t GbkPrefixLength(std::string_view gbk, std::size_t maxBytes);

// True when two GBK names are equal with single-byte ASCII letters compared without case
// (the second byte of a double-byte character is never folded).
bool SameFieldName(std::string_view a, std::string_view b);

// `gbkName` cut to `maxBytes`; when that equals one of `taken`, cut further to make room for
// "_1", "_2", ... (the first number that gives a free name).
std::string UniqueFieldName(std::string_view gbkName, const std::vector<std::string>& taken,
                            std::size_t maxBytes);

}  // namespace Calvorn
