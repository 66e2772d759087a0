// Text for the user about paths and the system: paths escaped for a console, so that one of
// them never spans two lines or moves the cursor, and system errors in Chinese.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace Calvorn {

// `text` with "\" written as "\\", newline, tab and carriage return as "\n", "\t", "\r", every
// other control byte (0x00-0x1F, 0x7F) and every byte that is not part of well-formed UTF-8
// as "\xHH" (lower-case hex). Printable text, Chinese included, stays as it is.
std::string EscapeForConsole(std::string_view text);

// `text` with every byte that is not part of well-formed UTF-8 written as "\xHH" (lower-case
// hex, always 80 to ff) and nothing else changed: valid UTF-8 for formats that need it (JSON).
std::string EscapeNonUtf8(std::string_view text);
// Undoes EscapeNonUtf8: "\x80" to "\xff" become those bytes again.
std::string UnescapeNonUtf8(std::string_view text);

// What the system says about `error`, in Chinese for the errors a path meets most
// ("没有那个文件或目录"), else the system's own message.
std::string SystemErrorText(const std::error_code& error);

}  // namespace Calvorn
