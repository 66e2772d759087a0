#include "convert/RunLog.h"

#include "app/CConvertLog.h"

namespace Calvorn {

void RunLog::Write(const std::string& text, std::source_location where) const
{
    CConvertLog::Get().Write(2, text, where.file_name(), static_cast<int>(where.line()),
                             m_function);
}

}  // namespace Calvorn
