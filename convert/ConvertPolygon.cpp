// Polygon files (.wp): one polygon per live record, repaired for the Shapefile, its attributes
// and, with StyleAsAttributes, the polygon's fill parameters.
#include <array>
#include <cstdint>

#include "app/TextFormat.h"
#include "convert/ConversionEngine.h"
#include "convert/RecordBatch.h"
#include "convert/StyleFields.h"
#include "torvex/Records.h"
#include "torvex/Torvex_Writer.h"

namespace Calvorn {

namespace {

constexpr const char* kFunction = "CCalvornDlg::ConvertPolygon2Shp";

// The layer comes before the transparent output flag, the reverse of their order in the record.
constexpr std::array<StyleFieldDef, 7> kFillFields = {{
    {"填充颜色", DbfFieldType::Integer, 8, 0},
    {"填充图案", DbfFieldType::Integer, 8, 0},
    {"图案高度", DbfFieldType::Double, 8, 3},
    {"图案宽度", DbfFieldType::Double, 8, 3},
    {"图案颜色", DbfFieldType::Integer, 8, 0},
    {"图层", DbfFieldType::Integer, 8, 0},
    {"透明输出", DbfFieldType::Integer, 8, 0},
}};

void WriteFillStyle(const StyleFields& style, RecordBatch& batch,
                    const Torvex::TORVEX_RegInfo& info, int slot)
{
    style.WriteUnsigned(batch, 0, WidenToUnsigned(info.fillColor), slot);
    style.WriteUnsigned(batch, 1, WidenToUnsigned(info.pattern), slot);
    style.WriteDouble(batch, 2, info.patternHeight, slot);
    style.WriteDouble(batch, 3, info.patternWidth, slot);
    style.WriteUnsigned(batch, 4, WidenToUnsigned(info.patternColor), slot);
    style.WriteUnsigned(batch, 5, WidenToUnsigned(info.layer), slot);
    style.WriteUnsigned(batch, 6, WidenToUnsigned(info.transparent), slot);
}

}  // namespace

int ConversionEngine::ConvertPolygon2Shp(const std::filesystem::path& source,
                                         const std::filesystem::path& outputFolder,
                                         int progressFlag)
{
    Torvex::TORVEX_RegInfo info{};
    const SingleShapefile converter{
        kFunction,
        "%s_WP",
        kFillFields,
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
            WriteFillStyle(style, batch, info, slot);
        },
    };
    return ConvertToOneShapefile(converter, source, outputFolder, progressFlag);
}

}  // namespace Calvorn
