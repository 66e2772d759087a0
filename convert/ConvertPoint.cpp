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

}  // namespace

int ConversionEngine::ConvertPoint2Shp(const std::filesystem::path& source,
                                       const std::filesystem::path& outputFolder, int progressFlag)
{
    return ConversionRun::Guarded(*m_context.log, kFunction, [&] {
        ConversionRun run(m_options, m_tables, m_context, ProgressFor(progressFlag), kFunction,
                          source, outputFolder, &m_facts);
        if (!run.Open() || !run.CheckRecordCounts()) {
            return run.Outcome();
        }
        const bool split = m_options.SplitAnnotations == 1;
        const bool withStyle = m_options.StyleAsAttributes == 1;
        OutputSet& main =
            run.AddOutput(run.SuffixedNames(Torvex::FileKind::Point), OutputKind::Shapefile);
        // NAME_ANN after the joined name, whatever name the main output takes.
        OutputSet* annotations = split
                                     ? &run.AddOutput(OutputNameSequence(run.SuffixedPath("_ANN")),
                                                      OutputKind::Shapefile)
                                     : nullptr;
        run.ApplyProjection();
        if (!run.CreateOutputs()) {
            return run.Outcome();
        }
        AttributeTransfer attributes(run.Reader(), m_tables, run.Log());
        StyleFields subGraph(main.Dbf(), run.Log(), kSubGraphStyleFields);
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
            const bool annotationPoint = split && info.kind == Torvex::kAnnotationPoint;
            if (!run.AddShapeRecord(batch, slot, annotationPoint ? *annotations : main)) {
                return run.Reader().SourceChanged() ? Torvex::kSourceChanged : Torvex::kReadFailed;
            }
            attributes.TransferRecord(slot, batch);
            if (annotationPoint) {
                // Cut to the field on a character boundary, without a line.
                batch.Row().PutText(annotation->FirstField(), std::string_view(text.data()));
                if (withStyle) {
                    annotation->WriteValues(batch, AnnotationStyleValues(info), slot, 1);
                }
            } else if (withStyle && info.kind == Torvex::kSubGraphPoint) {
                subGraph.WriteValues(batch, SubGraphStyleValues(info), slot);
            }
            return result;
        });
        // Empty outputs go without a line: one of the two may well hold every point.
        return converted ? run.Finish(false) : run.Outcome();
    });
}

}  // namespace Calvorn
