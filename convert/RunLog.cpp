#include "convert/RunLog.h"

namespace Calvorn {

void RunLog::Write(const std::string& text, const char* file, int line) const
{
    m_sink.Write(2, text, file, line, m_function);
}

}  // namespace Calvorn
