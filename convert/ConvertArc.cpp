// Line files (.wl): one shape per live line, its attributes and, with StyleAsAttributes, the
// line's graphic parameters.
#include <array>
#include <cstdint>

#include "convert/AttributeTransfer.h"
#include "convert/ConversionEngine.h"
#include "convert/ConversionRun.h"
#include "convert/StyleFields.h"
#include "torvex/Records.h"

namespace Calvorn {

namespace {

constexpr const char* kFunction = "CCalvornDlg::ConvertArc2Shp";

// The X and Y factors keep no decimals, unlike the line width.
constexpr std::array<StyleFieldDef, 10> kLineFields = {{
    {"线型", DbfFieldType::Integer, 8, 0},
    {"线颜色", DbfFieldType::Integer, 8, 0},
    {"线宽", DbfFieldType::Double, 8, 3},
    {"线类型", DbfFieldType::Integer, 8, 0},
    {"X系数", DbfFieldType::Double, 8, 0},
    {"Y系数", DbfFieldType::Double, 8, 0},
    {"辅助线型", DbfFieldType::Integer, 8, 0},
    {"辅助颜色", DbfFieldType::Integer, 8, 0},
    {"图层", DbfFieldType::Integer, 8, 0},
    {"透明输出", DbfFieldType::Integer, 8, 0},
}};

// Members are widened with their sign to 32 bits and handed over unsigned.
std::uint32_t Unsigned(std::int32_t value)
{
    return static_cast<std::uint32_t>(value);
}

void WriteLineStyle(StyleFields& style, int row, const Torvex::TORVEX_LineInfo& info, int slot)
{
    style.WriteUnsigned(row, 0, Unsigned(info.style), slot);
    style.WriteUnsigned(row, 1, Unsigned(info.color), slot);
    style.WriteDouble(row, 2, info.width, slot);
    style.WriteUnsigned(row, 3, Unsigned(info.kind), slot);
    style.WriteDouble(row, 4, info.xFactor, slot);
    style.WriteDouble(row, 5, info.yFactor, slot);
    style.WriteUnsigned(row, 6, Unsigned(info.auxStyle), slot);
    style.WriteUnsigned(row, 7, Unsigned(info.auxColor), slot);
    style.WriteUnsigned(row, 8, Unsigned(info.layer), slot);
    style.WriteUnsigned(row, 9, Unsigned(info.transparent), slot);
}

}  // namespace

int ConversionEngine::ConvertArc2Shp(const std::filesystem::path& source,
                                     const std::filesystem::path& outputFolder, int progressFlag)
{
    return ConversionRun::Guarded(kFunction, [&] {
        ConversionRun run(m_options, m_tables, ProgressFor(progressFlag), kFunction, source,
                          outputFolder);
        if (!run.Open() || !run.CheckRecordCounts()) {
            return run.Outcome();
        }
        // A .dbf of the joined name may be a table converted earlier: never overwrite it.
        OutputSet& output =
            run.AddOutput(run.ChooseBasePath("%s_WL", {".shp", ".dbf"}), OutputKind::Shapefile);
        run.ApplyProjection();
        if (!run.CreateOutputs()) {
            return run.Outcome();
        }
        const bool withStyle = m_options.StyleAsAttributes == 1;
        AttributeTransfer attributes(run.Reader(), m_tables, run.Log());
        StyleFields style(output.Dbf(), run.Log(), kLineFields);
        if (!run.DefineFields([&] {
                attributes.DefineSchema(output.Dbf());
                if (withStyle) {
                    style.Define();
                    run.Log().Write("------I__增加图示表达信息字段");
                }
            })) {
            return run.Outcome();
        }
        Torvex::TORVEX_LineInfo info{};
        const bool converted = run.ConvertSlots(
            [&](int slot, Torvex::Geometry* geometry) {
                return run.Reader().ReadArcInfo(slot, &info, geometry);
            },
            [&](int slot, Torvex::Geometry* geometry) {
                const int row = output.WriteShape(geometry);
                attributes.TransferRecord(slot, output.Dbf(), row);
                if (withStyle) {
                    WriteLineStyle(style, row, info, slot);
                }
            });
        return converted ? run.Finish() : run.Outcome();
    });
}

}  // namespace Calvorn
