// The two texts of the status line under the job list.
#pragma once

#include <cstddef>
#include <string>

namespace Calvorn {

// After the list changed: "转换进度：[0/n] 当前共有n个待转换文件！".
std::string StatusLineWaiting(std::size_t rowCount);

// After each row of a run: "转换进度：[done/n] 转换完成！".
std::string StatusLineDone(std::size_t done, std::size_t rowCount);

}  // namespace Calvorn
