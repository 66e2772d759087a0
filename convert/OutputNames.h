// The names an output may take. A base name is taken when anything at all (a file, a folder, a
// link, dangling or not, a FIFO) stands under it with one of the extensions of its kind: a
// stale .cpg or spatial index beside a new Shapefile would make readers decode or filter it
// wrongly, so those count as much as the .shp.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>

namespace Calvorn {

enum class OutputKind { Shapefile, Table };

// The extensions that take a base name: Shapefiles .shp .shx .dbf .prj .cpg .qix .sbn .sbx
// .shp.xml; tables .dbf .cpg.
std::span<const char* const> TakingExtensions(OutputKind kind);

// Whether `base` (a path without extension) is taken for an output of `kind`.
bool IsBaseNameTaken(const std::filesystem::path& base, OutputKind kind);

// An output's names in order of preference: the first name; then, for outputs with a kind
// suffix, the suffixed name; then the last of these with "_2", "_3", ...
class OutputNameSequence {
public:
    explicit OutputNameSequence(std::filesystem::path first,
                                std::optional<std::filesystem::path> suffixed = std::nullopt);

    std::filesystem::path At(std::size_t index) const;
    bool IsNumbered(std::size_t index) const { return index >= m_unnumbered; }
    // The name the numbered ones are built on (the suffixed name, or the first).
    const std::filesystem::path& NumberedBase() const;

    // The first index from `from` on whose name is not taken. Throws OutputError when none is
    // found within reason (a folder where every name reads as taken).
    std::size_t FirstFree(std::size_t from, OutputKind kind) const;

private:
    std::filesystem::path m_first;
    std::optional<std::filesystem::path> m_suffixed;
    std::size_t m_unnumbered;
};

}  // namespace Calvorn
