// Table files (.wb): the attribute table alone, as a lone .dbf.
#include "convert/AttributeTransfer.h"
#include "convert/ConversionEngine.h"
#include "convert/ConversionRun.h"

namespace Calvorn {

namespace {

constexpr const char* kFunction = "CCalvornDlg::ConvertWB2DBF";

}  // namespace

int ConversionEngine::ConvertWB2DBF(const std::filesystem::path& source,
                                    const std::filesystem::path& outputFolder, int progressFlag)
{
    return ConversionRun::Guarded(kFunction, [&] {
        ConversionRun run(m_options, m_tables, ProgressFor(progressFlag), kFunction, source,
                          outputFolder, &m_facts);
        if (!run.Open()) {
            return run.Outcome();
        }
        run.TakeTableRowCount();
        OutputSet& output = run.AddOutput(run.SuffixedNames("%s_WB"), OutputKind::Table);
        if (!run.CreateOutputs()) {
            return run.Outcome();
        }
        AttributeTransfer attributes(run.Reader(), m_tables, run.Log());
        if (!run.DefineFields([&] { attributes.DefineSchema(output.Dbf()); })) {
            return run.Outcome();
        }
        const bool converted = run.ConvertRows(
            [&](int row) { attributes.TransferRecord(row, output.Dbf(), output.AddRow()); });
        return converted ? run.Finish() : run.Outcome();
    });
}

}  // namespace Calvorn
