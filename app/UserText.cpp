#include "app/UserText.h"

#include <cerrno>

#include "torvex/Gbk.h"

namespace Calvorn {

std::string EscapeForConsole(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
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
                    out += "\\x";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0x0F];
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
