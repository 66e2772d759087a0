// The conversion log as one converter writes it: every line at level 2 under the converter's
// qualified name, so that the skeleton, the attribute transfer and the converter itself tell
// one story.
#pragma once

#include <string>

namespace Calvorn {

class RunLog {
public:
    // `function` is the converter's qualified name, e.g. "CCalvornDlg::ConvertArc2Shp".
    explicit RunLog(const char* function) : m_function(function) {}

    // Writes `text` (UTF-8) as one line, with the caller's source location. (Not through
    // std::source_location: clang 14, the fuzz builds' compiler, lacks it with libstdc++.)
    void Write(const std::string& text, const char* file = __builtin_FILE(),
               int line = __builtin_LINE()) const;

    const char* Function() const { return m_function; }

private:
    const char* m_function;
};

}  // namespace Calvorn
