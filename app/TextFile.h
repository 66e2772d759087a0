// Reading the user's small text files (INI, mapping files): UTF-8 with or without a BOM, or
// GBK when the bytes are not valid UTF-8, as older files written in the Chinese code page are.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace Calvorn {

// The whole file as UTF-8 text (BOM removed); nullopt for anything but a regular file (a
// folder, a pipe) and for a file that cannot be opened or read.
std::optional<std::string> ReadUserTextFile(const std::filesystem::path& path);

}  // namespace Calvorn
