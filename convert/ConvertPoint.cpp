// Point files (.wt): every point with its attributes in the main output and, with
// SplitAnnotations, the annotation points with their text in an output of their own. With
// StyleAsAttributes the main output carries the sub-graph parameters, the annotation output
// the text parameters; bytes 33..48 of the point record hold one or the other by point kind.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "convert/AttributeTransfer.h"
#include "convert/ConversionEngine.h"
#include "convert/ConversionRun.h"
#include "convert/RecordBatch.h"
#include "convert/StyleFields.h"
#include "torvex/Records.h"
#include "torvex/Result.h"

namespace Calvorn {

namespace {

constexpr const char* kFunction = "CCalvornDlg::ConvertPoint2Shp";

// Point kinds.
constexpr std::uint8_t kAnnotationPoint = 0;
constexpr std::uint8_t kSubGraphPoint = 1;

constexpr std::array<StyleFieldDef, 7> kSubGraphFields = {{
    {"子图号", DbfFieldType::Integer, 8, 0},
    {"子图高度", DbfFieldType::Double, 8, 3},
    {"子图宽度", DbfFieldType::Double, 8, 3},
    {"旋转角度", DbfFieldType::Double, 8, 3},
    {"子图颜色", DbfFieldType::Integer, 8, 0},
    {"透明输出", DbfFieldType::Integer, 8, 0},
    {"图层号", DbfFieldType::Integer, 8, 0},
}};

// The text field is always there; the eleven after it only with StyleAsAttributes. The two
// narrow fields hold small signed flags ("-1" fits).
constexpr std::array<StyleFieldDef, 12> kAnnotationFields = {{
    {"注释文字", DbfFieldType::String, 254, 0},
    {"注释高度", DbfFieldType::Double, 8, 3},
    {"注释宽度", DbfFieldType::Double, 8, 3},
    {"注释间隔", DbfFieldType::Double, 8, 3},
    {"注释角度", DbfFieldType::Double, 8, 3},
    {"汉字字体", DbfFieldType::Integer, 8, 0},
    {"西文字体", DbfFieldType::Integer, 8, 0},
    {"注释字形", DbfFieldType::Integer, 8, 0},
    {"注释颜色", DbfFieldType::Integer, 8, 0},
    {"透明输出", DbfFieldType::Integer, 2, 0},
    {"排列方式", DbfFieldType::Integer, 2, 0},
    {"图层号", DbfFieldType::Integer, 8, 0},
}};

void WriteSubGraphStyle(const StyleFields& style, RecordBatch& batch,
                        const Torvex::TORVEX_PntInfo& info, int slot)
{
    style.WriteUnsigned(batch, 0, WidenToUnsigned(info.u.sub.number), slot);
    style.WriteDouble(batch, 1, info.u.sub.height, slot);
    style.WriteDouble(batch, 2, info.u.sub.width, slot);
    style.WriteDouble(batch, 3, info.u.sub.angle, slot);
    style.WriteUnsigned(batch, 4, WidenToUnsigned(info.color), slot);
    style.WriteUnsigned(batch, 5, WidenToUnsigned(info.transparent), slot);
    style.WriteUnsigned(batch, 6, WidenToUnsigned(info.layer), slot);
}

// The eleven fields after the text, signed.
void WriteAnnotationStyle(const StyleFields& style, RecordBatch& batch,
                          const Torvex::TORVEX_PntInfo& info, int slot)
{
    style.WriteDouble(batch, 1, info.u.ann.height, slot);
    style.WriteDouble(batch, 2, info.u.ann.width, slot);
    style.WriteDouble(batch, 3, info.u.ann.spacing, slot);
    style.WriteDouble(batch, 4, info.u.ann.angle, slot);
    style.WriteInteger(batch, 5, info.cnFont, slot);
    style.WriteInteger(batch, 6, info.enFont, slot);
    style.WriteInteger(batch, 7, info.glyph, slot);
    style.WriteInteger(batch, 8, info.color, slot);
    style.WriteInteger(batch, 9, info.transparent, slot);
    style.WriteInteger(batch, 10, info.arrange, slot);
    style.WriteInteger(batch, 11, info.layer, slot);
}

}  // namespace

int ConversionEngine::ConvertPoint2Shp(const std::filesystem::path& source,
                                       const std::filesystem::path& outputFolder, int progressFlag)
{
    return ConversionRun::Guarded(kFunction, [&] {
        ConversionRun run(m_options, m_tables, ProgressFor(progressFlag), kFunction, source,
                          outputFolder);
        if (!run.Open() || !run.CheckRecordCounts()) {
            return run.Outcome();
        }
        const bool split = m_options.SplitAnnotations == 1;
        const bool withStyle = m_options.StyleAsAttributes == 1;
        OutputSet& main = run.AddOutput(run.SuffixedNames("%s_WT"), OutputKind::Shapefile);
        // NAME_ANN after the joined name, whatever name the main output takes.
        OutputSet* annotations =
            split ? &run.AddOutput(OutputNameSequence(run.SuffixedPath("%s_ANN")),
                                   OutputKind::Shapefile)
                  : nullptr;
        run.ApplyProjection();
        if (!run.CreateOutputs()) {
            return run.Outcome();
        }
        AttributeTransfer attributes(run.Reader(), m_tables, run.Log());
        StyleFields subGraph(main.Dbf(), run.Log(), kSubGraphFields);
        // Without StyleAsAttributes the annotation output still gets the text field.
        const std::span<const StyleFieldDef> annotationSet =
            std::span(kAnnotationFields).first(withStyle ? kAnnotationFields.size() : 1);
        std::optional<StyleFields> annotation;
        if (split) {
            annotation.emplace(annotations->Dbf(), run.Log(), annotationSet);
        }
        if (!run.DefineFields([&] {
                attributes.DefineSchema(main.Dbf());
                if (withStyle) {
                    subGraph.Define();
                    run.Log().Write("------I__增加图示表达信息字段");
                }
                if (split) {
                    attributes.DefineSchema(annotations->Dbf());
                    annotation->Define();
                }
            })) {
            return run.Outcome();
        }
        Torvex::TORVEX_PntInfo info{};
        std::array<char, Torvex::Torvex_Writer::kAnnotationBufferSize> text{};
        const bool converted = run.ConvertSlots([&](int slot, RecordBatch& batch) -> int {
            // The reader writes the text of annotation points and empties it for the others.
            const int result = run.Reader().ReadPointInfo(slot, &info, nullptr, text.data());
            text.back() = '\0';
            if (result != Torvex::kRecordRead) {
                return result;
            }
            const bool annotationPoint = split && info.kind == kAnnotationPoint;
            if (!run.AddShapeRecord(batch, slot, annotationPoint ? *annotations : main)) {
                return run.Reader().SourceChanged() ? Torvex::kSourceChanged : Torvex::kReadFailed;
            }
            attributes.TransferRecord(slot, batch);
            if (annotationPoint) {
                // Cut to the field on a character boundary, without a line.
                batch.Row().PutText(annotation->FirstField(), std::string_view(text.data()));
                if (withStyle) {
                    WriteAnnotationStyle(*annotation, batch, info, slot);
                }
            } else if (withStyle && info.kind == kSubGraphPoint) {
                WriteSubGraphStyle(subGraph, batch, info, slot);
            }
            return result;
        });
        // Empty outputs go without a line: one of the two may well hold every point.
        return converted ? run.Finish(false) : run.Outcome();
    });
}

}  // namespace Calvorn
