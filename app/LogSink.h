// Where a conversion's log lines go. The engine writes through the sink its front end hands it
// (ConversionContext): the program's log (CConvertLog), a batch's per-file log (FileLog) that
// keeps a file's lines together, or a test's own.
#pragma once

#include <string>
#include <vector>

namespace Calvorn {

class LogSink {
public:
    virtual ~LogSink() = default;

    // Writes `text` (UTF-8) as one line when `level` is 2 or more; lower levels are dropped.
    // `file`, `line` and `function` name the writer.
    virtual void Write(int level, const std::string& text, const char* file, int line,
                       const char* function) = 0;

    // Writes `lines` together, as one block (level 2): one file's held lines.
    virtual void WriteBlock(const std::vector<std::string>& lines)
    {
        for (const std::string& text : lines) {
            Write(2, text, "", 0, "");
        }
    }
};

}  // namespace Calvorn
