// The one process-wide stop: a console tool that receives SIGINT, SIGTERM or SIGHUP ends every
// conversion in progress at once. Its signal handler calls RequestStopBySignal; the record
// loops call ThrowIfStopSignalled, and the batch starts no further file.
#pragma once

#include <stdexcept>
#include <string>

namespace Calvorn {

// Safe to call from a signal handler. The first signal is kept; later ones change nothing.
void RequestStopBySignal(int signal) noexcept;

// The signal that asked for the stop, 0 when none did.
int StopSignal() noexcept;

// For tests, which stop one run after another in one process.
void ClearStopSignal() noexcept;

// "SIGINT", "SIGTERM", "SIGHUP", else "SIG" and the number.
std::string SignalName(int signal);

// Ends a conversion stopped by a signal; its outputs are removed, its log block ends with
// "------E__转换中止：收到信号SIGINT".
class StopSignalError : public std::runtime_error {
public:
    explicit StopSignalError(int signal);
    int Signal() const { return m_signal; }

private:
    int m_signal;
};

// Throws StopSignalError when a signal asked for the stop.
inline void ThrowIfStopSignalled()
{
    if (const int signal = StopSignal(); signal != 0) {
        throw StopSignalError(signal);
    }
}

}  // namespace Calvorn
