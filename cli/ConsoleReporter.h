// Shows a batch run on the console: one line per file as it ends ("ok\tPATH", "empty\tPATH",
// "failed N\tPATH"), before a failed row that a scan could not take the line
// "calvorn-cli: PATH: REASON" on standard error, and on a terminal a progress line that is
// redrawn in place and cleared before each of those lines.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "batch/BatchRunObserver.h"

namespace Calvorn {

class ConsoleReporter : public BatchRunObserver {
public:
    // `quiet` prints nothing on `out`; `progressDisplay` draws the progress line (terminals
    // only).
    ConsoleReporter(std::ostream& out, std::ostream& err, bool quiet, bool progressDisplay);

    void RunStarted(std::size_t rowCount) override;
    void RowStarted(std::size_t row, const Job& job) override;
    void Progress(int position) override;
    void RowFinished(std::size_t row, const Job& job, int outcome) override;

    // The line printed when a file ends.
    static std::string FileLine(const Job& job, int outcome);

private:
    void DrawProgress();
    void ClearProgress();

    std::ostream& m_out;
    std::ostream& m_err;
    const bool m_quiet;
    const bool m_progressDisplay;
    std::size_t m_rowCount = 0;
    std::size_t m_row = 0;
    int m_position = 0;
    std::string m_name;
};

}  // namespace Calvorn
