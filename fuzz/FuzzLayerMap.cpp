// libFuzzer target: loads the input as a layer-name mapping file and checks each line's entry
// against the documented format (key up to the first delimiter, value up to the next one, the
// first entry of a key wins).
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "app/NameTables.h"
#include "app/TextFile.h"
#include "fuzz/InputFile.h"

namespace {

using CalvornFuzz::Check;

constexpr std::string_view kDelimiters{" \t\\,/;'\"|", 9};

// The entries the documented format gives for `text`, first entry of a key kept.
std::map<std::string, std::string> ExpectedEntries(const std::string& text)
{
    std::map<std::string, std::string> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t first = line.find_first_of(kDelimiters);
        if (first == std::string_view::npos) {
            entries.emplace(std::string(), std::string(line));
        } else {
            const std::string_view rest = line.substr(first + 1);
            entries.emplace(std::string(line.substr(0, first)),
                            std::string(rest.substr(0, rest.find_first_of(kDelimiters))));
        }
        start = end + 1;
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path& path = CalvornFuzz::WriteInputFile(
        "layer-map", std::string_view(reinterpret_cast<const char*>(data), size));
    Calvorn::NameTables tables;
    const std::size_t count = tables.LoadLayerMap(path);
    Check(count == tables.LayerCount(), "returned count is not the table's");
    Check(tables.LoadLayerMap(path) == count, "a second load changed the table");
    Check(tables.LoadFieldMap(path) == count, "the field table loads differently");

    const auto text = Calvorn::ReadUserTextFile(path);
    Check(text.has_value(), "a plain file could not be read");
    const auto expected = ExpectedEntries(*text);
    Check(expected.size() == count, "entry count");
    for (const auto& [key, value] : expected) {
        Check(tables.LookupLayerName(key) == value, "layer entry value");
        Check(tables.LookupFieldName(key) == value, "field entry value");
        Check(value.find_first_of(kDelimiters) == std::string::npos, "delimiter in a value");
    }
    // A name the file cannot hold as a key (a delimiter in it) maps to itself.
    Check(tables.LookupLayerName("a,b") == "a,b", "lookup of an unknown name");
    return 0;
}
