#include "convert/CoreShare.h"

#include <algorithm>
#include <atomic>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace Calvorn {

namespace {

std::atomic<int> g_busy{0};
thread_local int t_busyDepth = 0;

}  // namespace

int CoreCount()
{
    static const int count = [] {
#if defined(__linux__)
        cpu_set_t set;
        if (sched_getaffinity(0, sizeof(set), &set) == 0) {
            return std::max(CPU_COUNT(&set), 1);
        }
#endif
        return std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
    }();
    return count;
}

BusyThread::BusyThread()
{
    if (t_busyDepth++ == 0) {
        g_busy.fetch_add(1);
    }
}

BusyThread::~BusyThread()
{
    if (--t_busyDepth == 0) {
        g_busy.fetch_sub(1);
    }
}

bool TryTakeSpareCore()
{
    int busy = g_busy.load();
    while (busy < CoreCount()) {
        if (g_busy.compare_exchange_weak(busy, busy + 1)) {
            return true;
        }
    }
    return false;
}

void GiveBackCore()
{
    g_busy.fetch_sub(1);
}

}  // namespace Calvorn
