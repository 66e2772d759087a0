// The machine's cores shared between the threads that convert. A thread converting counts as
// busy while a BusyThread lives on it; a conversion starts a second, reading thread only while a
// core is left over (TryTakeSpareCore). So the files of a batch on N threads and the reading
// threads of those files never make more busy threads than cores: with one core idle, the large
// file still converting takes it.
#pragma once

namespace Calvorn {

// The cores this process may run on (its CPU affinity), at least 1.
int CoreCount();

class BusyThread {
public:
    // Counts the calling thread as busy; a thread already counted is not counted again.
    BusyThread();
    ~BusyThread();
    BusyThread(const BusyThread&) = delete;
    BusyThread& operator=(const BusyThread&) = delete;
};

// Counts one more busy thread and returns true when that leaves no more busy threads than
// cores; otherwise changes nothing.
bool TryTakeSpareCore();
// Counts one busy thread less: for a core TryTakeSpareCore gave, once its thread has ended.
void GiveBackCore();

}  // namespace Calvorn
