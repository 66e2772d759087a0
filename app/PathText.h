// Conversion between paths and the UTF-8 text the program keeps them in (settings, log lines,
// mapping-file names). On Linux a path's bytes are taken as they are, so a file name that is
// not valid UTF-8 still round-trips; on Windows the UTF-16 path is converted.
#pragma once

#include <filesystem>
#include <string>

namespace Calvorn {

std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path Utf8ToPath(const std::string& text);

}  // namespace Calvorn
