#include "cli/StopSignals.h"

#include <csignal>

#include "convert/StopSignal.h"

namespace Calvorn {

namespace {

void OnStopSignal(int signal)
{
    RequestStopBySignal(signal);
}

}  // namespace

void InstallStopSignalHandlers()
{
#if defined(__unix__) || defined(__APPLE__)
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the second signal finds the system's own action, which ends the process.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
#else
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#endif
}

}  // namespace Calvorn
