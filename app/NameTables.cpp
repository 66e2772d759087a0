#include "app/NameTables.h"

#include <string_view>
#include <system_error>

#include "app/PathSettings.h"
#include "app/TextFile.h"

namespace Calvorn {

namespace {

// The delimiters are ASCII, so they are searched in the UTF-8 text; GBK is converted first,
// because its second bytes can equal '\\' or '|'.
constexpr std::string_view kDelimiters{" \t\\,/;'\"|", 9};

void AddLine(std::map<std::string, std::string>& table, std::string_view line)
{
    const std::size_t first = line.find_first_of(kDelimiters);
    if (first == std::string_view::npos) {
        table.emplace(std::string(), std::string(line));
        return;
    }
    const std::string_view rest = line.substr(first + 1);
    const std::size_t next = rest.find_first_of(kDelimiters);
    // emplace keeps an existing entry: the first one of a key wins.
    table.emplace(std::string(line.substr(0, first)), std::string(rest.substr(0, next)));
}

}  // namespace

std::size_t NameTables::LoadInto(Table& table, const std::filesystem::path& path)
{
    const std::optional<std::string> content = ReadUserTextFile(path);
    if (!content) {
        return table.size();
    }
    const std::string& text = *content;

    // Every line is an entry, the last one too when it has no line feed; a file ending in a
    // line feed has no empty line after it.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        // A CR ending the last line without a line feed goes too: no name ends in one.
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        AddLine(table, line);
        start = end + 1;
    }
    return table.size();
}

std::string NameTables::Lookup(const Table& table, const std::string& name)
{
    const auto found = table.find(name);
    return found == table.end() ? name : found->second;
}

std::size_t NameTables::LoadLayerMap(const std::filesystem::path& path)
{
    return LoadInto(m_layerNames, path);
}

std::size_t NameTables::LoadFieldMap(const std::filesystem::path& path)
{
    return LoadInto(m_fieldNames, path);
}

std::string NameTables::LookupLayerName(const std::string& name) const
{
    return Lookup(m_layerNames, name);
}

std::string NameTables::LookupFieldName(const std::string& name) const
{
    return Lookup(m_fieldNames, name);
}

void NameTables::LoadForRun(const PathSettings& settings)
{
    std::error_code error;
    if (!settings.LayerMap.empty() && std::filesystem::exists(settings.LayerMap, error)) {
        LoadLayerMap(settings.LayerMap);
    }
    if (!settings.FieldMap.empty() && std::filesystem::exists(settings.FieldMap, error)) {
        LoadFieldMap(settings.FieldMap);
    }
}

}  // namespace Calvorn
