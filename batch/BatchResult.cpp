#include "batch/BatchResult.h"

#include "app/TextFormat.h"

namespace Calvorn {

std::string BatchResult::SummaryText() const
{
    std::string text = "  转换完成。";
    if (empty > 0) {
        text += Format("\n  共有%d个空文件未被转换!", empty);
    }
    if (converted > 0) {
        text += Format("\n  共有%d个文件被正确转换!", converted);
    }
    if (failed > 0) {
        text += Format("\n  共有%d个文件转换失败!", failed);
    }
    if (skipped > 0) {
        text += Format("\n  共有%d个文件已转换，本次跳过!", skipped);
    }
    if (notConverted > 0) {
        text += Format("\n  已停止，共有%d个文件未转换!", notConverted);
    }
    return text;
}

}  // namespace Calvorn
