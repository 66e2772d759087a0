// The layer-name and field-name tables: plain-text mapping files that rename output files and
// attribute fields. Owned by the object that lives as long as the program run, so an entry
// loaded by one batch run still holds in the next.
//
// File format: one entry per line (LF; a CR before it is dropped). The key is the text before
// the first of nine delimiters (space, tab, backslash, comma, slash, semicolon, apostrophe,
// double quotation mark, vertical bar), the value the text after it up to the next delimiter
// or the line end; a line without a delimiter gives the empty key with the whole line as
// value. No trimming, case-sensitive keys, the first entry of a key wins, within one file and
// across loads. Files are UTF-8 (a byte-order mark is skipped) or, when not valid UTF-8, GBK.
//
// Lookups do not change the tables, so converters on several threads may look up at once as
// long as no load runs at the same time (loads happen at the start of a batch run).
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

namespace Calvorn {

struct PathSettings;

class NameTables {
public:
    // Read a mapping file into the layer-name or field-name table; return the table's entry
    // count. A file that cannot be opened or read (a folder, no permission) adds nothing.
    std::size_t LoadLayerMap(const std::filesystem::path& path);
    std::size_t LoadFieldMap(const std::filesystem::path& path);

    // The mapped name, or `name` itself when the table has no entry for it.
    std::string LookupLayerName(const std::string& name) const;
    std::string LookupFieldName(const std::string& name) const;

    // The loading done at the start of every batch run: each mapping file named by the
    // settings is loaded when the setting is not empty and something of that name exists.
    void LoadForRun(const PathSettings& settings);

    std::size_t LayerCount() const { return m_layerNames.size(); }
    std::size_t FieldCount() const { return m_fieldNames.size(); }

private:
    using Table = std::map<std::string, std::string>;

    static std::size_t LoadInto(Table& table, const std::filesystem::path& path);
    static std::string Lookup(const Table& table, const std::string& name);

    Table m_layerNames;
    Table m_fieldNames;
};

}  // namespace Calvorn
