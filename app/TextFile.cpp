#include "app/TextFile.h"

#include <fstream>
#include <iterator>
#include <string_view>

#include "torvex/Gbk.h"

namespace Calvorn {

std::optional<std::string> ReadUserTextFile(const std::filesystem::path& path)
{
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    // Regular files only: a folder cannot be read, and a pipe or a device could block the
    // program or never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    if (text.starts_with(kUtf8Bom)) {
        text.erase(0, kUtf8Bom.size());
    }
    if (!Torvex::IsValidUtf8(text)) {
        text = Torvex::GbkToUtf8(text);
    }
    return text;
}

}  // namespace Calvorn
