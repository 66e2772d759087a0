// printf-style formatting into std::string, and locale-independent number text. The desktop
// program runs under the user's locale (Qt sets it), where printf's %f may write a comma:
// every number that reaches a file goes through FormatFixed instead.
#pragma once

#include <string>

namespace Calvorn {

// printf-style formatting of any length. Use only for %s, %d, %u and friends, never for %f.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// value in fixed notation with `decimals` digits after a point, like printf's "%.Nf" in the
// C locale (minus sign for negative values, no thousands separator).
std::string FormatFixed(double value, int decimals);

}  // namespace Calvorn
