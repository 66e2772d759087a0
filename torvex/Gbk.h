// Conversion between UTF-8 and GBK (code page 936), the encoding of text inside Torvex files.
// The program uses the same conversion at its other GBK edges (.dbf bytes, the log file).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Torvex {

// UTF-8 to GBK. A character GBK cannot represent (and an invalid UTF-8 byte) becomes '?';
// `lossless`, when given, tells whether that happened.
std::string Utf8ToGbk(std::string_view utf8, bool* lossless = nullptr);

// GBK to UTF-8. An invalid byte sequence becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk, bool* lossless = nullptr);

// True when `text` is valid UTF-8.
bool IsValidUtf8(std::string_view text);

// Length of the well-formed UTF-8 sequence at the start of `text` (not empty), or 0.
std::size_t Utf8SequenceLength(std::string_view text);

}  // namespace Torvex
