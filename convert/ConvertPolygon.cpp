// Polygon files (.wp): one polygon per live record, repaired for the Shapefile, its attributes
// and, with StyleAsAttributes, the polygon's fill parameters.
#include "app/TextFormat.h"
#include "convert/ConversionEngine.h"
#include "convert/RecordBatch.h"
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
        Torvex::FileKind::Polygon,
        kFillStyleFields,
        [&](Torvex::Torvex_Writer& reader, int slot) {
            return reader.ReadPolygonInfo(slot, &info, nullptr);
        },
        [](RecordBatch& batch, int slot) {
            // Rings closed, oriented and freed of degenerate ones, in the scaled coordinates
            // that are written.
            if (!batch.RepairPolygon()) {
                // A polygon without a ring is no polygon for readers; the record keeps its row
                // all the same.
                batch.AddLineBeforeRecord(
                    Format("------W__第【%d】条记录多边形无有效环，写入空图形", slot));
                batch.SetNullShape();
            }
        },
        [&](const StyleFields& style, RecordBatch& batch, int slot) {
            style.WriteValues(batch, FillStyleValues(info), slot);
        },
    };
    return ConvertToOneShapefile(converter, source, outputFolder, progressFlag);
}

}  // namespace Calvorn
