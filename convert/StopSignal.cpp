#include "convert/StopSignal.h"

#include <atomic>
#include <csignal>

namespace Calvorn {

namespace {

std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler stores into it");

}  // namespace

void RequestStopBySignal(int signal) noexcept
{
    int none = 0;
    g_stopSignal.compare_exchange_strong(none, signal);
}

int StopSignal() noexcept
{
    return g_stopSignal.load(std::memory_order_relaxed);
}

void ClearStopSignal() noexcept
{
    g_stopSignal.store(0);
}

std::string SignalName(int signal)
{
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
#ifdef SIGHUP
        case SIGHUP:
            return "SIGHUP";
#endif
        default:
            return "SIG" + std::to_string(signal);
    }
}

StopSignalError::StopSignalError(int signal)
    : std::runtime_error("收到信号" + SignalName(signal)), m_signal(signal)
{
}

}  // namespace Calvorn
