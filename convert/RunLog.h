// The conversion log as one converter writes it: every line at level 2 under the converter's
// qualified name into the run's log sink, so that the skeleton, the attribute transfer and the
// converter itself tell one story.
#pragma once

#include <string>

#include "app/LogSink.h"

namespace Calvorn {

class RunLog {
public:
    // `function` is the converter's qualified name, e.g. "CCalvornDlg::ConvertArc2Shp".
    RunLog(LogSink& sink, const char* function) : m_sink(sink), m_function(function) {}

    // Writes `text` (UTF-8) as one line, with the caller's source location. (The builtins, not
    // std::source_location, which clang 14 cannot give with the libstdc++ of Debian 12.)
    void Write(const std::string& text, const char* file = __builtin_FILE(),
               int line = __builtin_LINE()) const;

    const char* Function() const { return m_function; }

private:
    LogSink& m_sink;
    const char* m_function;
};

}  // namespace Calvorn
