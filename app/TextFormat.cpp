#include "app/TextFormat.h"

#include <array>
#include <charconv>
#include <cstdarg>
#include <cstdio>

namespace Calvorn {

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<std::size_t>(length));
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    }
    va_end(args);
    return out;
}

std::string FormatFixed(double value, int decimals)
{
    // Large enough for any double in fixed notation (309 integer digits) plus decimals.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        return "nan";
    }
    return std::string(buffer.data(), result.ptr);
}

}  // namespace Calvorn
