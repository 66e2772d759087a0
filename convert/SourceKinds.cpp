#include "convert/SourceKinds.h"

#include <array>
#include <cstring>
#include <string>

namespace Calvorn {

namespace {

constexpr std::array<SourceKind, 4> kSourceKinds = {{
    {Torvex::FileKind::Point, ".wt", "_WT", &ConversionEngine::ConvertPoint2Shp},
    {Torvex::FileKind::Line, ".wl", "_WL", &ConversionEngine::ConvertArc2Shp},
    {Torvex::FileKind::Polygon, ".wp", "_WP", &ConversionEngine::ConvertPolygon2Shp},
    {Torvex::FileKind::Table, ".wb", "_WB", &ConversionEngine::ConvertWB2DBF},
}};

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::span<const SourceKind> SourceKinds()
{
    return kSourceKinds;
}

const SourceKind* FindSourceKind(Torvex::FileKind kind)
{
    for (const SourceKind& row : kSourceKinds) {
        if (row.kind == kind) {
            return &row;
        }
    }
    return nullptr;
}

bool HasExtension(const std::filesystem::path& path, const char* extension)
{
    // From the last dot of the file name, so that ".wl" alone is a line file too.
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    const std::size_t length = std::strlen(extension);
    if (dot == std::string::npos || name.size() - dot != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (Lower(name[dot + i]) != Lower(extension[i])) {
            return false;
        }
    }
    return true;
}

std::optional<Torvex::FileKind> KindOfPath(const std::filesystem::path& path)
{
    for (const SourceKind& row : kSourceKinds) {
        if (HasExtension(path, row.extension)) {
            return row.kind;
        }
    }
    return std::nullopt;
}

}  // namespace Calvorn
