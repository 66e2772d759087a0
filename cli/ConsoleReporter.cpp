#include "cli/ConsoleReporter.h"

#include <utility>

#include "app/PathText.h"
#include "app/TextFormat.h"
#include "app/UserText.h"
#include "cli/ConsoleMessages.h"

namespace Calvorn {

ConsoleReporter::ConsoleReporter(std::ostream& out, std::ostream& err, bool quiet,
                                 bool progressDisplay)
    : m_out(out), m_err(err), m_quiet(quiet), m_progress(err, progressDisplay && !quiet)
{
}

void ConsoleReporter::RunStarted(std::size_t rowCount)
{
    m_rowCount = rowCount;
}

void ConsoleReporter::RowStarted(std::size_t row, const Job& job)
{
    m_progress.Start(Format("[%zu/%zu] ", row + 1, m_rowCount), PathToUtf8(job.source.filename()));
}

void ConsoleReporter::Progress(int position)
{
    m_progress.Update(position);
}

void ConsoleReporter::SetFileDoneHandler(std::function<void(std::size_t, const Job&)> handler)
{
    m_fileDone = std::move(handler);
}

void ConsoleReporter::FileDone(std::size_t row, const Job& job)
{
    if (m_fileDone) {
        m_fileDone(row, job);
    }
}

void ConsoleReporter::RowFinished(std::size_t /*row*/, const Job& job, int outcome)
{
    m_progress.Clear();
    if (!m_quiet) {
        m_out << FileLine(job, outcome) << '\n';
        m_out.flush();
    }
    if (job.status == kStatusFailed) {
        // A row a scan could not take has no log block: its reason came with it.
        PrintPathProblem(m_err, PathToUtf8(job.source), FailureReason(job));
        m_err.flush();
    }
}

std::string ConsoleReporter::FileLine(const Job& job, int outcome)
{
    const std::string path = EscapeForConsole(PathToUtf8(job.source));
    switch (job.status) {
        case kStatusConverted:
            return "ok\t" + path;
        case kStatusEmpty:
            return "empty\t" + path;
        default:
            return Format("failed %d\t", outcome) + path;
    }
}

}  // namespace Calvorn
