// Why the system refused a path, as the console tells it: the C library's Chinese texts for the
// reasons users meet ("没有那个文件或目录", "权限不够", "文件名过长"), whatever the locale.
#pragma once

#include <string>
#include <system_error>

namespace Calvorn {

std::string SystemReason(const std::error_code& error);

}  // namespace Calvorn
