// Line files (.wl): one shape per live line, its attributes and, with StyleAsAttributes, the
// line's graphic parameters.
#include <array>
#include <cstdint>

#include "convert/ConversionEngine.h"
#include "convert/RecordBatch.h"
#include "convert/StyleFields.h"
#include "torvex/Records.h"
#include "torvex/Torvex_Writer.h"

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

void WriteLineStyle(const StyleFields& style, RecordBatch& batch,
                    const Torvex::TORVEX_LineInfo& info, int slot)
{
    style.WriteUnsigned(batch, 0, WidenToUnsigned(info.style), slot);
    style.WriteUnsigned(batch, 1, WidenToUnsigned(info.color), slot);
    style.WriteDouble(batch, 2, info.width, slot);
    style.WriteUnsigned(batch, 3, WidenToUnsigned(info.kind), slot);
    style.WriteDouble(batch, 4, info.xFactor, slot);
    style.WriteDouble(batch, 5, info.yFactor, slot);
    style.WriteUnsigned(batch, 6, WidenToUnsigned(info.auxStyle), slot);
    style.WriteUnsigned(batch, 7, WidenToUnsigned(info.auxColor), slot);
    style.WriteUnsigned(batch, 8, WidenToUnsigned(info.layer), slot);
    style.WriteUnsigned(batch, 9, WidenToUnsigned(info.transparent), slot);
}

}  // namespace

int ConversionEngine::ConvertArc2Shp(const std::filesystem::path& source,
                                     const std::filesystem::path& outputFolder, int progressFlag)
{
    Torvex::TORVEX_LineInfo info{};
    const SingleShapefile converter{
        kFunction,
        "%s_WL",
        kLineFields,
        [&](Torvex::Torvex_Writer& reader, int slot) {
            return reader.ReadArcInfo(slot, &info, nullptr);
        },
        {},
        [&](const StyleFields& style, RecordBatch& batch, int slot) {
            WriteLineStyle(style, batch, info, slot);
        },
    };
    return ConvertToOneShapefile(converter, source, outputFolder, progressFlag);
}

}  // namespace Calvorn
