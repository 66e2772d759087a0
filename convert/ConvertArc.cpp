// Line files (.wl): one shape per live line, its attributes and, with StyleAsAttributes, the
// line's graphic parameters.
#include "convert/ConversionEngine.h"
#include "convert/RecordBatch.h"
#include "convert/StyleFields.h"
#include "torvex/Records.h"
#include "torvex/Torvex_Writer.h"

namespace Calvorn {

namespace {

constexpr const char* kFunction = "CCalvornDlg::ConvertArc2Shp";

}  // namespace

int ConversionEngine::ConvertArc2Shp(const std::filesystem::path& source,
                                     const std::filesystem::path& outputFolder, int progressFlag)
{
    Torvex::TORVEX_LineInfo info{};
    const SingleShapefile converter{
        kFunction,
        Torvex::FileKind::Line,
        kLineStyleFields,
        [&](Torvex::Torvex_Writer& reader, int slot) {
            return reader.ReadArcInfo(slot, &info, nullptr);
        },
        {},
        [&](const StyleFields& style, RecordBatch& batch, int slot) {
            style.WriteValues(batch, LineStyleValues(info), slot);
        },
    };
    return ConvertToOneShapefile(converter, source, outputFolder, progressFlag);
}

}  // namespace Calvorn
