#include "convert/ConversionEngine.h"

#include "app/CConvertLog.h"
#include "convert/AttributeTransfer.h"
#include "convert/ConversionRun.h"
#include "convert/RecordBatch.h"
#include "convert/SourceKinds.h"
#include "convert/StyleFields.h"
#include "torvex/Result.h"
#include "torvex/Torvex_Writer.h"

#include <string>
#include <utility>

namespace Calvorn {

ConversionEngine::ConversionEngine(const ConversionOptions& options, const NameTables& tables,
                                   ConversionContext context)
    : m_context(std::move(context)), m_options(options), m_tables(tables)
{
}

ConversionContext ProgramContext()
{
    return ConversionContext{&CConvertLog::Get(), {}};
}

void ConversionEngine::SetProgressCallback(ProgressCallback callback)
{
    m_progress = std::move(callback);
}

const ConversionEngine::ProgressCallback* ConversionEngine::ProgressFor(int progressFlag) const
{
    return progressFlag != 0 && m_progress ? &m_progress : nullptr;
}

int ConversionEngine::Convert(Torvex::FileKind kind, const std::filesystem::path& source,
                              const std::filesystem::path& outputFolder, int progressFlag)
{
    m_facts = ConversionFacts();
    const SourceKind* row = FindSourceKind(kind);
    return row != nullptr ? (this->*row->convert)(source, outputFolder, progressFlag)
                          : static_cast<int>(kOutcomeNoConverter);
}

int ConversionEngine::ConvertToOneShapefile(const SingleShapefile& converter,
                                            const std::filesystem::path& source,
                                            const std::filesystem::path& outputFolder,
                                            int progressFlag)
{
    return ConversionRun::Guarded(*m_context.log, converter.function, [&] {
        ConversionRun run(m_options, m_tables, m_context, ProgressFor(progressFlag),
                          converter.function, source, outputFolder, &m_facts);
        if (!run.Open() || !run.CheckRecordCounts()) {
            return run.Outcome();
        }
        OutputSet& output = run.AddOutput(run.SuffixedNames(converter.kind), OutputKind::Shapefile);
        run.ApplyProjection();
        if (!run.CreateOutputs()) {
            return run.Outcome();
        }
        const bool withStyle = m_options.StyleAsAttributes == 1;
        AttributeTransfer attributes(run.Reader(), m_tables, run.Log());
        StyleFields style(output.Dbf(), run.Log(), converter.styleFields);
        if (!run.DefineFields([&] {
                attributes.DefineSchema(output.Dbf());
                if (withStyle) {
                    style.Define();
                    run.Log().Write("------I__增加图示表达信息字段");
                }
            })) {
            return run.Outcome();
        }
        const bool converted = run.ConvertSlots([&](int slot, RecordBatch& batch) -> int {
            const int result = converter.read(run.Reader(), slot);
            if (result != Torvex::kRecordRead) {
                return result;
            }
            if (!run.AddShapeRecord(batch, slot, output)) {
                return run.Reader().SourceChanged() ? Torvex::kSourceChanged : Torvex::kReadFailed;
            }
            if (converter.repair) {
                converter.repair(batch, slot);
            }
            attributes.TransferRecord(slot, batch);
            if (withStyle) {
                converter.writeStyle(style, batch, slot);
            }
            return result;
        });
        return converted ? run.Finish() : run.Outcome();
    });
}

}  // namespace Calvorn
