#include "app/IniFile.h"

#include <fstream>
#include <optional>

#include "app/TextFile.h"
#include "torvex/Gbk.h"

namespace Calvorn {

namespace {

#ifdef _WIN32
constexpr const char* kPlatformLineEnd = "\r\n";
#else
constexpr const char* kPlatformLineEnd = "\n";
#endif

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsQuoted(std::string_view text)
{
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
           text.back() == text.front();
}

// The name of a "[name]" header line, if the line is one.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line)
{
    line = Trim(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> ParseEntry(std::string_view line)
{
    if (IsComment(line)) {
        return std::nullopt;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return Entry{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

bool IniFile::Load(const std::filesystem::path& path)
{
    m_lines.clear();
    m_lineEnd.clear();
    const std::optional<std::string> content = ReadUserTextFile(path);
    if (!content) {
        return false;
    }
    std::string_view text = *content;
    // Save writes no byte-order mark, so a second one would turn into the first and vanish at
    // the next load, changing the first line.
    while (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }

    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool lastLine = end == std::string::npos;
        if (lastLine) {
            end = text.size();
        }
        // Every CR before the line end goes, the last line's too: a stray one would come back
        // from a save as part of a CR LF, which the next load drops.
        std::size_t lineEnd = end;
        while (lineEnd > start && text[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        const bool crlf = lineEnd != end;
        if (!lastLine && m_lineEnd.empty()) {
            m_lineEnd = crlf ? "\r\n" : "\n";
        }
        m_lines.emplace_back(text, start, lineEnd - start);
        start = end + 1;
    }
    return true;
}

std::string IniFile::Text() const
{
    const std::string& lineEnd = m_lineEnd.empty() ? std::string(kPlatformLineEnd) : m_lineEnd;
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += lineEnd;
    }
    return text;
}

bool IniFile::Save(const std::filesystem::path& path) const
{
    const std::string text = Text();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return !out.fail();
}

long IniFile::FindSection(std::string_view section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = SectionName(m_lines[i]);
        if (name && NamesEqual(*name, section)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

std::size_t IniFile::SectionEnd(long header) const
{
    std::size_t i = static_cast<std::size_t>(header) + 1;
    while (i < m_lines.size() && !SectionName(m_lines[i])) {
        ++i;
    }
    return i;
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const
{
    const long header = FindSection(section);
    if (header < 0) {
        return std::string(defaultValue);
    }
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        const auto entry = ParseEntry(m_lines[i]);
        if (entry && NamesEqual(entry->key, key)) {
            std::string_view value = entry->value;
            if (IsQuoted(value)) {
                value = value.substr(1, value.size() - 2);
            }
            return std::string(value);
        }
    }
    return std::string(defaultValue);
}

bool IniFile::SetString(std::string_view section, std::string_view key, std::string_view value)
{
    // Text that is not UTF-8 would make the whole file read back as GBK.
    if (!Torvex::IsValidUtf8(section) || !Torvex::IsValidUtf8(key) || !Torvex::IsValidUtf8(value) ||
        HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        Trim(section).empty() || Trim(section) != section || section.find(']') != section.npos ||
        Trim(key).empty() || Trim(key) != key || key.find('=') != key.npos || key.front() == ';' ||
        key.front() == '#' || key.front() == '[') {
        return false;
    }
    std::string text(value);
    if (Trim(value) != value || IsQuoted(value)) {
        text = "\"" + text + "\"";
    }
    const std::string line = std::string(key) + "=" + text;

    const long header = FindSection(section);
    if (header < 0) {
        if (!m_lines.empty() && !Trim(m_lines.back()).empty()) {
            m_lines.emplace_back();
        }
        m_lines.push_back("[" + std::string(section) + "]");
        m_lines.push_back(line);
        return true;
    }
    const std::size_t end = SectionEnd(header);
    std::size_t insertAt = static_cast<std::size_t>(header) + 1;
    for (std::size_t i = insertAt; i < end; ++i) {
        const auto entry = ParseEntry(m_lines[i]);
        if (entry && NamesEqual(entry->key, key)) {
            m_lines[i] = line;
            return true;
        }
        if (entry) {
            insertAt = i + 1;
        }
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
    return true;
}

}  // namespace Calvorn
