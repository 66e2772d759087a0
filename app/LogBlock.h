// The lines one file's conversion wrote to the conversion log (the message texts, UTF-8,
// without the leading ">"), kept for the user after the run: the tooltip and log view of the
// desktop program, the reason the console prints for a failed file.
//
// A file with many warnings can log a line per record, so a block keeps at most the first and
// the last kKeptLines / 2 lines and counts the rest; the lines a failure is told by (the end
// line, the last abort line, the last error line) are kept whatever their place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Calvorn {

class LogBlock {
public:
    static constexpr std::size_t kKeptLines = 400;

    void Add(std::string_view line);
    void Clear();

    bool Empty() const { return m_lineCount == 0; }
    // Every line added, the ones not kept included.
    std::size_t LineCount() const { return m_lineCount; }

    // The kept lines in order; where lines were left out, one line says how many.
    std::vector<std::string> Lines() const;
    // At most `maxLines` of them (the first and the last ones) for a short view, such as a
    // tooltip, with the same kind of line for those left out.
    std::vector<std::string> Lines(std::size_t maxLines) const;

    // The end line ("------结束转换【...】------"), or empty.
    const std::string& EndLine() const { return m_endLine; }
    // The last line that says the run was stopped ("转换中止") or an output could not be
    // created ("无法创建输出文件"), or empty.
    const std::string& LastAbortLine() const { return m_abortLine; }
    // The last error line ("------E__..."), or empty.
    const std::string& LastErrorLine() const { return m_errorLine; }

private:
    std::vector<std::string> Tail() const;

    std::vector<std::string> m_head;
    // The last lines, oldest at m_tailStart once full: a ring, as a deque would allocate for
    // every block, and a large archive has a block for every file.
    std::vector<std::string> m_tail;
    std::size_t m_tailStart = 0;
    std::size_t m_lineCount = 0;
    std::string m_endLine;
    std::string m_abortLine;
    std::string m_errorLine;
};

// The line that stands for `count` lines left out of a view.
std::string OmittedLinesText(std::size_t count);

}  // namespace Calvorn
