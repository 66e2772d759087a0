#include "convert/RunLog.h"

#include "app/CConvertLog.h"

namespace Calvorn {

void RunLog::Write(const std::string& text, const char* file, int line) const
{
    CConvertLog::Get().Write(2, text, file, line, m_function);
}

}  // namespace Calvorn
