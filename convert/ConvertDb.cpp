// Table files (.wb): the attribute table alone, as a lone .dbf.
#include "convert/AttributeTransfer.h"
#include "convert/ConversionEngine.h"
#include "convert/ConversionRun.h"
#include "convert/RecordBatch.h"
#include "torvex/Result.h"

namespace Calvorn {

namespace {

constexpr const char* kFunction = "CCalvornDlg::ConvertWB2DBF";

}  // namespace

int ConversionEngine::ConvertWB2DBF(const std::filesystem::path& source,
                                    const std::filesystem::path& outputFolder, int progressFlag)
{
    return ConversionRun::Guarded(*m_context.log, kFunction, [&] {
        ConversionRun run(m_options, m_tables, m_context, ProgressFor(progressFlag), kFunction,
                          source, outputFolder, &m_facts);
        if (!run.Open()) {
            return run.Outcome();
        }
        run.TakeTableRowCount();
        OutputSet& output =
            run.AddOutput(run.SuffixedNames(Torvex::FileKind::Table), OutputKind::Table);
        if (!run.CreateOutputs()) {
            return run.Outcome();
        }
        AttributeTransfer attributes(run.Reader(), m_tables, run.Log());
        if (!run.DefineFields([&] { attributes.DefineSchema(output.Dbf()); })) {
            return run.Outcome();
        }
        const bool converted = run.ConvertSlots([&](int row, RecordBatch& batch) -> int {
            // Every row is written, whatever the reader thinks of it, unless the file shrank.
            if (run.Reader().ReadTableRow(row) == Torvex::kSourceChanged) {
                return Torvex::kSourceChanged;
            }
            batch.AddRecord(row, run.IndexOf(output));
            attributes.TransferRecord(row, batch);
            return Torvex::kRecordRead;
        });
        return converted ? run.Finish() : run.Outcome();
    });
}

}  // namespace Calvorn
