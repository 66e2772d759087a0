#include "batch/OutputGroups.h"

#include <numeric>
#include <unordered_map>

#include "app/NameTables.h"
#include "app/PathText.h"
#include "convert/SourceKinds.h"

namespace Calvorn {

namespace {

std::string ComparedForm(std::string name)
{
#if defined(_WIN32) || defined(__APPLE__)
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
#endif
    return name;
}

std::size_t Root(std::vector<std::size_t>& parent, std::size_t row)
{
    while (parent[row] != row) {
        parent[row] = parent[parent[row]];
        row = parent[row];
    }
    return row;
}

}  // namespace

std::vector<std::string> PossibleOutputNames(const std::filesystem::path& source,
                                             const NameTables& tables,
                                             const std::filesystem::path& outputFolder)
{
    // The joined name as the converters build it: an entry that maps to nothing keeps the name.
    const std::string baseName = PathToUtf8(source.filename().stem());
    std::string mapped = tables.LookupLayerName(baseName);
    if (mapped.empty()) {
        mapped = baseName;
    }
    const std::string joined = PathToUtf8((outputFolder / Utf8ToPath(mapped)).lexically_normal());
    std::vector<std::string> names;
    names.push_back(ComparedForm(joined));
    for (const SourceKind& kind : SourceKinds()) {
        names.push_back(ComparedForm(joined + kind.suffix));
    }
    names.push_back(ComparedForm(joined + "_ANN"));
    // "x_WL_2" may be the numbered name of x.wl's output.
    const std::size_t underscore = joined.rfind('_');
    if (underscore != std::string::npos && underscore + 1 < joined.size() &&
        joined.find_first_not_of("0123456789", underscore + 1) == std::string::npos) {
        names.push_back(ComparedForm(joined.substr(0, underscore)));
    }
    return names;
}

std::vector<std::vector<std::size_t>> OutputGroups(const std::vector<Job>& rows,
                                                   const NameTables& tables,
                                                   const std::filesystem::path& outputFolder)
{
    return OutputGroups(rows, tables, [&outputFolder](const Job&) { return outputFolder; });
}

std::vector<std::vector<std::size_t>> OutputGroups(
    const std::vector<Job>& rows, const NameTables& tables,
    const std::function<std::filesystem::path(const Job&)>& folderOf)
{
    std::vector<std::size_t> parent(rows.size());
    std::iota(parent.begin(), parent.end(), std::size_t{0});
    // The first row that may write each name; a later row naming it joins that row's group.
    std::unordered_map<std::string, std::size_t> firstRow;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (const std::string& name :
             PossibleOutputNames(rows[row].source, tables, folderOf(rows[row]))) {
            const auto [it, added] = firstRow.emplace(name, row);
            if (!added) {
                const std::size_t a = Root(parent, it->second);
                const std::size_t b = Root(parent, row);
                parent[std::max(a, b)] = std::min(a, b);
            }
        }
    }
    std::vector<std::vector<std::size_t>> groups;
    std::vector<std::size_t> groupOfRoot(rows.size(), rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::size_t root = Root(parent, row);
        if (groupOfRoot[root] == rows.size()) {
            groupOfRoot[root] = groups.size();
            groups.emplace_back();
        }
        groups[groupOfRoot[root]].push_back(row);
    }
    return groups;
}

}  // namespace Calvorn
