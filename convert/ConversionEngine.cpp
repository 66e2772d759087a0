#include "convert/ConversionEngine.h"

#include <string>
#include <utility>

namespace Calvorn {

FileKind KindOfPath(const std::filesystem::path& path)
{
    // From the last dot of the file name, so that ".wl" alone is a line file too.
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return kKindNone;
    }
    std::string extension = name.substr(dot);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (extension == ".WT") {
        return kKindPoint;
    }
    if (extension == ".WL") {
        return kKindLine;
    }
    if (extension == ".WP") {
        return kKindPolygon;
    }
    if (extension == ".WB") {
        return kKindTable;
    }
    return kKindNone;
}

ConversionEngine::ConversionEngine(const ConversionOptions& options, const NameTables& tables)
    : m_options(options), m_tables(tables)
{
}

void ConversionEngine::SetProgressCallback(ProgressCallback callback)
{
    m_progress = std::move(callback);
}

const ConversionEngine::ProgressCallback* ConversionEngine::ProgressFor(int progressFlag) const
{
    return progressFlag != 0 && m_progress ? &m_progress : nullptr;
}

int ConversionEngine::Convert(FileKind kind, const std::filesystem::path& source,
                              const std::filesystem::path& outputFolder, int progressFlag)
{
    switch (kind) {
        case kKindPoint:
            return ConvertPoint2Shp(source, outputFolder, progressFlag);
        case kKindLine:
            return ConvertArc2Shp(source, outputFolder, progressFlag);
        case kKindPolygon:
            return ConvertPolygon2Shp(source, outputFolder, progressFlag);
        case kKindTable:
            return ConvertWB2DBF(source, outputFolder, progressFlag);
        default:
            return kOutcomeNoConverter;
    }
}

}  // namespace Calvorn
