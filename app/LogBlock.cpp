#include "app/LogBlock.h"

#include <algorithm>

#include "app/TextFormat.h"

namespace Calvorn {

namespace {

constexpr std::string_view kEndLineStart = "------结束转换【";
constexpr std::string_view kErrorMark = "------E__";

bool Contains(std::string_view line, std::string_view part)
{
    return line.find(part) != std::string_view::npos;
}

}  // namespace

std::string OmittedLinesText(std::size_t count)
{
    return Format("……（此处省略%zu行，完整内容见转换日志）……", count);
}

void LogBlock::Add(std::string_view line)
{
    ++m_lineCount;
    if (line.starts_with(kEndLineStart)) {
        m_endLine = line;
    }
    if (Contains(line, "转换中止") || Contains(line, "无法创建输出文件")) {
        m_abortLine = line;
    }
    if (line.starts_with(kErrorMark)) {
        m_errorLine = line;
    }
    if (m_head.size() < kKeptLines / 2) {
        m_head.emplace_back(line);
        return;
    }
    if (m_tail.size() < kKeptLines / 2) {
        m_tail.emplace_back(line);
        return;
    }
    m_tail[m_tailStart] = line;
    m_tailStart = (m_tailStart + 1) % m_tail.size();
}

std::vector<std::string> LogBlock::Tail() const
{
    std::vector<std::string> tail(m_tail.begin() + static_cast<std::ptrdiff_t>(m_tailStart),
                                  m_tail.end());
    tail.insert(tail.end(), m_tail.begin(),
                m_tail.begin() + static_cast<std::ptrdiff_t>(m_tailStart));
    return tail;
}

void LogBlock::Clear()
{
    *this = LogBlock();
}

std::vector<std::string> LogBlock::Lines() const
{
    std::vector<std::string> lines(m_head.begin(), m_head.end());
    const std::size_t kept = m_head.size() + m_tail.size();
    if (kept < m_lineCount) {
        lines.push_back(OmittedLinesText(m_lineCount - kept));
    }
    const std::vector<std::string> tail = Tail();
    lines.insert(lines.end(), tail.begin(), tail.end());
    return lines;
}

std::vector<std::string> LogBlock::Lines(std::size_t maxLines) const
{
    const std::size_t kept = m_head.size() + m_tail.size();
    if (maxLines >= kKeptLines || (kept == m_lineCount && kept <= maxLines)) {
        return Lines();
    }
    // One line says what was left out; the first and the last lines share the rest. Below
    // kKeptLines neither part reaches past the lines kept at its end.
    std::vector<std::string> all(m_head.begin(), m_head.end());
    const std::vector<std::string> tail = Tail();
    all.insert(all.end(), tail.begin(), tail.end());
    const std::size_t room = std::max<std::size_t>(maxLines, 3) - 1;
    const std::size_t fromTail = (room + 1) / 2;
    const std::size_t fromHead = room - fromTail;
    std::vector<std::string> lines(all.begin(),
                                   all.begin() + static_cast<std::ptrdiff_t>(fromHead));
    lines.push_back(OmittedLinesText(m_lineCount - fromHead - fromTail));
    lines.insert(lines.end(), all.end() - static_cast<std::ptrdiff_t>(fromTail), all.end());
    return lines;
}

}  // namespace Calvorn
