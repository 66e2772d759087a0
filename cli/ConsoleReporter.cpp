#include "cli/ConsoleReporter.h"

#include "app/PathText.h"
#include "app/TextFormat.h"

namespace Calvorn {

namespace {

// Back to the start of the line and erase it.
constexpr const char* kClearLine = "\r\033[K";

}  // namespace

ConsoleReporter::ConsoleReporter(std::ostream& out, std::ostream& err, bool quiet,
                                 bool progressDisplay)
    : m_out(out), m_err(err), m_quiet(quiet), m_progressDisplay(progressDisplay && !quiet)
{
}

void ConsoleReporter::RunStarted(std::size_t rowCount)
{
    m_rowCount = rowCount;
}

void ConsoleReporter::RowStarted(std::size_t row, const Job& job)
{
    m_row = row;
    m_position = 0;
    m_name = PathToUtf8(job.source.filename());
    DrawProgress();
}

void ConsoleReporter::Progress(int position)
{
    m_position = position;
    DrawProgress();
}

void ConsoleReporter::RowFinished(std::size_t /*row*/, const Job& job, int outcome)
{
    ClearProgress();
    if (!job.problem.empty()) {
        m_err << "calvorn-cli: " << PathToUtf8(job.source) << ": " << job.problem << '\n';
        m_err.flush();
    }
    if (m_quiet) {
        return;
    }
    m_out << FileLine(job, outcome) << '\n';
    m_out.flush();
}

std::string ConsoleReporter::FileLine(const Job& job, int outcome)
{
    const std::string path = PathToUtf8(job.source);
    switch (job.status) {
        case kStatusConverted:
            return "ok\t" + path;
        case kStatusEmpty:
            return "empty\t" + path;
        default:
            return Format("failed %d\t", outcome) + path;
    }
}

void ConsoleReporter::DrawProgress()
{
    if (!m_progressDisplay) {
        return;
    }
    // Only the file name: a line longer than the terminal would wrap and not be redrawn.
    m_out << kClearLine << Format("[%zu/%zu] %3d%% ", m_row + 1, m_rowCount, m_position) << m_name;
    m_out.flush();
}

void ConsoleReporter::ClearProgress()
{
    if (m_progressDisplay) {
        m_out << kClearLine;
    }
}

}  // namespace Calvorn
