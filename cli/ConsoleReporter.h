// Shows a batch run on the console: one line per file on standard output as it ends
// ("ok\tPATH", "empty\tPATH", "failed N\tPATH", the path escaped), for a failed file its
// reason on standard error ("calvorn-cli: PATH: REASON", from the file's log block, or why a
// scan could not take it), and on a terminal a progress line on standard error, cleared before
// each of those lines.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "batch/BatchRunObserver.h"
#include "cli/ConsoleProgress.h"

namespace Calvorn {

class ConsoleReporter : public BatchRunObserver {
public:
    // `quiet` prints nothing on standard output and no progress; `progressDisplay` draws the
    // progress line (standard error is a terminal).
    ConsoleReporter(std::ostream& out, std::ostream& err, bool quiet, bool progressDisplay);

    void RunStarted(std::size_t rowCount) override;
    void RowStarted(std::size_t row, const Job& job) override;
    void Progress(int position) override;
    void FileDone(std::size_t row, const Job& job) override;
    void RowFinished(std::size_t row, const Job& job, int outcome) override;

    // Called with each file as soon as it is done (FileDone): the run report's record.
    void SetFileDoneHandler(std::function<void(std::size_t row, const Job& job)> handler);

    // The line printed on standard output when a file ends.
    static std::string FileLine(const Job& job, int outcome);

private:
    std::ostream& m_out;
    std::ostream& m_err;
    const bool m_quiet;
    ConsoleProgress m_progress;
    std::size_t m_rowCount = 0;
    std::function<void(std::size_t, const Job&)> m_fileDone;
};

}  // namespace Calvorn
