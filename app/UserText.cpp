#include "app/UserText.h"

#include <cerrno>
#include <cstring>

#include "torvex/Gbk.h"

namespace Calvorn {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendHexEscape(std::string& out, unsigned char byte)
{
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

int HexValue(char c)
{
    const char* digit = c == '\0' ? nullptr : std::strchr(kHex, c);
    return digit == nullptr ? -1 : static_cast<int>(digit - kHex);
}

}  // namespace

std::string EscapeNonUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = Torvex::Utf8SequenceLength(text);
        if (length == 0) {
            AppendHexEscape(out, static_cast<unsigned char>(text.front()));
            text.remove_prefix(1);
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}

std::string UnescapeNonUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            const int high = HexValue(text[i + 2]);
            const int low = HexValue(text[i + 3]);
            if (high >= 8 && low >= 0) {
                out += static_cast<char>(high << 4 | low);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string EscapeForConsole(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.front());
        const std::size_t length = Torvex::Utf8SequenceLength(text);
        if (length > 1) {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
            continue;
        }
        text.remove_prefix(1);
        switch (byte) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (length == 1 && byte >= 0x20 && byte != 0x7F) {
                    out += static_cast<char>(byte);
                } else {
                    AppendHexEscape(out, byte);
                }
                break;
        }
    }
    return out;
}

std::string SystemErrorText(const std::error_code& error)
{
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        switch (error.value()) {
            case ENOENT:
                return "没有那个文件或目录";
            case EACCES:
                return "权限不够";
            case ENOTDIR:
                return "不是目录";
            case ELOOP:
                return "符号连接的层数过多";
            case ENAMETOOLONG:
                return "文件名过长";
            case EIO:
                return "输入/输出错误";
            case EISDIR:
                return "是一个目录";
            case ENOSPC:
                return "设备上没有空间";
            case EROFS:
                return "只读文件系统";
            case EEXIST:
                return "文件已存在";
            default:
                break;
        }
    }
    return error.message();
}

}  // namespace Calvorn
