// Polygon files (.wp): one polygon per live record, repaired for the Shapefile, its attributes
// and, with StyleAsAttributes, the polygon's fill parameters.
#include <array>
#include <cstdint>

#include "app/TextFormat.h"
#include "convert/AttributeTransfer.h"
#include "convert/ConversionEngine.h"
#include "convert/ConversionRun.h"
#include "convert/StyleFields.h"
#include "torvex/Records.h"

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

// Members are widened with their sign to 32 bits and handed over unsigned.
std::uint32_t Unsigned(std::int32_t value)
{
    return static_cast<std::uint32_t>(value);
}

void WriteFillStyle(StyleFields& style, int row, const Torvex::TORVEX_RegInfo& info, int slot)
{
    style.WriteUnsigned(row, 0, Unsigned(info.fillColor), slot);
    style.WriteUnsigned(row, 1, Unsigned(info.pattern), slot);
    style.WriteDouble(row, 2, info.patternHeight, slot);
    style.WriteDouble(row, 3, info.patternWidth, slot);
    style.WriteUnsigned(row, 4, Unsigned(info.patternColor), slot);
    style.WriteUnsigned(row, 5, Unsigned(info.layer), slot);
    style.WriteUnsigned(row, 6, Unsigned(info.transparent), slot);
}

}  // namespace

int ConversionEngine::ConvertPolygon2Shp(const std::filesystem::path& source,
                                         const std::filesystem::path& outputFolder,
                                         int progressFlag)
{
    return ConversionRun::Guarded(kFunction, [&] {
        ConversionRun run(m_options, m_tables, ProgressFor(progressFlag), kFunction, source,
                          outputFolder);
        if (!run.Open() || !run.CheckRecordCounts()) {
            return run.Outcome();
        }
        // A .dbf of the joined name may be a table converted earlier: never overwrite it.
        OutputSet& output =
            run.AddOutput(run.ChooseBasePath("%s_WP", {".shp", ".dbf"}), OutputKind::Shapefile);
        run.ApplyProjection();
        if (!run.CreateOutputs()) {
            return run.Outcome();
        }
        const bool withStyle = m_options.StyleAsAttributes == 1;
        AttributeTransfer attributes(run.Reader(), m_tables, run.Log());
        StyleFields style(output.Dbf(), run.Log(), kFillFields);
        if (!run.DefineFields([&] {
                attributes.DefineSchema(output.Dbf());
                if (withStyle) {
                    style.Define();
                    run.Log().Write("------I__增加图示表达信息字段");
                }
            })) {
            return run.Outcome();
        }
        Torvex::TORVEX_RegInfo info{};
        const bool converted = run.ConvertSlots(
            [&](int slot, Torvex::Geometry* geometry) {
                return run.Reader().ReadPolygonInfo(slot, &info, geometry);
            },
            [&](int slot, Torvex::Geometry* geometry) {
                // Rings closed, oriented and freed of degenerate ones, in the scaled
                // coordinates that are written.
                Torvex::FixGeoTopo(geometry);
                int row = 0;
                if (geometry->nParts == 0) {
                    // A polygon without a ring is no polygon for readers; the record keeps its
                    // row all the same.
                    run.Log().Write(
                        Format("------W__第【%d】条记录多边形无有效环，写入空图形", slot));
                    row = output.WriteNullShape();
                } else {
                    row = output.WriteShape(geometry);
                }
                attributes.TransferRecord(slot, output.Dbf(), row);
                if (withStyle) {
                    WriteFillStyle(style, row, info, slot);
                }
            });
        return converted ? run.Finish() : run.Outcome();
    });
}

}  // namespace Calvorn
