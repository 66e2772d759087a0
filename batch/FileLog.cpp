#include "batch/FileLog.h"

#include <utility>

namespace Calvorn {

void FileLog::Write(int level, const std::string& text, const char* file, int line,
                    const char* function)
{
    if (level < 2) {
        return;
    }
    m_block.Add(text);
    if (m_hold) {
        m_held.push_back(text);
    } else {
        m_target.Write(level, text, file, line, function);
    }
}

LogBlock FileLog::TakeBlock()
{
    return std::exchange(m_block, LogBlock());
}

std::vector<std::string> FileLog::TakeHeld()
{
    return std::exchange(m_held, {});
}

}  // namespace Calvorn
