// The conversion log as one converter writes it: every line at level 2 under the converter's
// qualified name, so that the skeleton, the attribute transfer and the converter itself tell
// one story.
#pragma once

#include <source_location>
#include <string>

namespace Calvorn {

class RunLog {
public:
    // `function` is the converter's qualified name, e.g. "CCalvornDlg::ConvertArc2Shp".
    explicit RunLog(const char* function) : m_function(function) {}

    // Writes `text` (UTF-8) as one line, with the caller's source location.
    void Write(const std::string& text,
               std::source_location where = std::source_location::current()) const;

    const char* Function() const { return m_function; }

private:
    const char* m_function;
};

}  // namespace Calvorn
