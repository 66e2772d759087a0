#include "batch/StatusLine.h"

#include "app/TextFormat.h"

namespace Calvorn {

std::string StatusLineWaiting(std::size_t rowCount)
{
    return Format("转换进度：[0/%zu] 当前共有%zu个待转换文件！", rowCount, rowCount);
}

std::string StatusLineDone(std::size_t done, std::size_t rowCount)
{
    return Format("转换进度：[%zu/%zu] 转换完成！", done, rowCount);
}

}  // namespace Calvorn
