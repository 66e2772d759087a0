// Polygon files (.wp): one polygon per live record, repaired for the Shapefile, its attributes
// and, with StyleAsAttributes, the polygon's fill parameters.
#include "app/TextFormat.h"
#include "convert/ConversionEngine.h"
#include "convert/OutputSet.h"
#include "convert/RunLog.h"
#include "convert/StyleFields.h"
#include "torvex/Records.h"
#include "torvex/Torvex_Writer.h"

namespace Calvorn {

namespace {

constexpr const char* kFunction = "CCalvornDlg::ConvertPolygon2Shp";

}  // namespace

int ConversionEngine::ConvertPolygon2Shp(const std::filesystem::path& source,
                                         const std::filesystem::path& outputFolder,
                                         int progressFlag)
{
    Torvex::TORVEX_RegInfo info{};
    const SingleShapefile converter{
        kFunction,
        "%s_WP",
        kFillStyleFields,
        [&](Torvex::Torvex_Writer& reader, int slot, Torvex::Geometry* geometry) {
            return reader.ReadPolygonInfo(slot, &info, geometry);
        },
        [](OutputSet& output, const RunLog& log, int slot, Torvex::Geometry* geometry) {
            // Rings closed, oriented and freed of degenerate ones, in the scaled coordinates
            // that are written.
            Torvex::FixGeoTopo(geometry);
            if (geometry->nParts == 0) {
                // A polygon without a ring is no polygon for readers; the record keeps its row
                // all the same.
                log.Write(Format("------W__第【%d】条记录多边形无有效环，写入空图形", slot));
                return output.WriteNullShape();
            }
            return output.WriteShape(geometry);
        },
        [&](StyleFields& style, int row, int slot) {
            style.WriteValues(row, FillStyleValues(info), slot);
        },
    };
    return ConvertToOneShapefile(converter, source, outputFolder, progressFlag);
}

}  // namespace Calvorn
