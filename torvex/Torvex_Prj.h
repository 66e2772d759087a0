// Reads a Torvex project file (.mpj): the list of the map's data files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace Torvex {

class Torvex_Prj {
public:
    // Returns the number of items, or a value <= 0 when the file cannot be loaded.
    int LoadProject(const std::filesystem::path& path);

    // Fills `path` (UTF-8) with item `index`'s path as stored (it may name another machine's
    // folder, with backslashes). The two numbers are not stored in our files and may be null.
    // Returns 1, or 0 for an index out of range (path then empty).
    int GetItemInfo(int index, std::string* path, double* reserved1, double* reserved2) const;

private:
    std::vector<std::string> m_items;
};

}  // namespace Torvex
