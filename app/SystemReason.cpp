#include "app/SystemReason.h"

#include <cerrno>

namespace Calvorn {

std::string SystemReason(const std::error_code& error)
{
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        switch (error.value()) {
            case ENOENT:
                return "没有那个文件或目录";
            case EACCES:
            case EPERM:
                return "权限不够";
            case ENAMETOOLONG:
                return "文件名过长";
            default:
                break;
        }
    }
    return error.message();
}

}  // namespace Calvorn
