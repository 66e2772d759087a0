#include "convert/RecordLoop.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "convert/CoreShare.h"

namespace Calvorn {

namespace {

// Below this many slots a second thread costs about what it saves: starting it, and handing
// each batch over.
constexpr int kSlotsForSecondThread = 8192;

// Batches between the two threads: one being filled, one being written, the rest waiting.
constexpr std::size_t kBatchCount = 4;

// Fills `batch` from slot `next` on until it is full or the slots run out; an exception from
// `read` ends the batch and the reading.
void Fill(RecordBatch& batch, int& next, int slotCount, const SlotReader& read)
{
    batch.Clear();
    while (next < slotCount && !batch.Full()) {
        batch.BeginSlot();
        try {
            read(next, batch);
        } catch (...) {
            batch.SetEnd(std::current_exception());
            next = slotCount;
            return;
        }
        ++next;
    }
}

// The reading thread and the batches it shares with the writing one.
class ReadingThread {
public:
    ReadingThread(const std::vector<const DbfLayout*>& layouts, int next, int slotCount,
                  const SlotReader& read)
    {
        for (auto& batch : m_batches) {
            batch = std::make_unique<RecordBatch>(layouts);
            m_free[m_freeCount++] = batch.get();
        }
        m_thread = std::thread([this, next, slotCount, &read] { Run(next, slotCount, read); });
    }

    // Stops the thread (it finishes the slot it is reading) and waits for it.
    ~ReadingThread()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    ReadingThread(const ReadingThread&) = delete;
    ReadingThread& operator=(const ReadingThread&) = delete;

    // The next filled batch, in order; null when the reading is done.
    RecordBatch* Next()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_fullCount > 0 || m_finished; });
        if (m_fullCount == 0) {
            return nullptr;
        }
        RecordBatch* batch = m_full[m_fullHead];
        m_fullHead = (m_fullHead + 1) % kBatchCount;
        --m_fullCount;
        return batch;
    }

    // Hands a written batch back for filling.
    void Return(RecordBatch* batch)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_free[m_freeCount++] = batch;
        }
        m_changed.notify_all();
    }

private:
    void Run(int next, int slotCount, const SlotReader& read)
    {
        bool ended = false;
        while (!ended && next < slotCount) {
            RecordBatch* batch = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_freeCount > 0 || m_cancelled; });
                if (m_cancelled) {
                    break;
                }
                batch = m_free[--m_freeCount];
            }
            Fill(*batch, next, slotCount, read);
            ended = static_cast<bool>(batch->End());
            {
                const std::lock_guard lock(m_mutex);
                m_full[(m_fullHead + m_fullCount) % kBatchCount] = batch;
                ++m_fullCount;
            }
            m_changed.notify_all();
        }
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_changed.notify_all();
    }

    std::array<std::unique_ptr<RecordBatch>, kBatchCount> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::array<RecordBatch*, kBatchCount> m_free{};
    std::size_t m_freeCount = 0;
    std::array<RecordBatch*, kBatchCount> m_full{};  // a ring, oldest at m_fullHead
    std::size_t m_fullHead = 0;
    std::size_t m_fullCount = 0;
    bool m_cancelled = false;
    bool m_finished = false;
    std::thread m_thread;  // last: started when everything above is ready
};

// Whether the slots left should be read on a thread of their own; `core` tells whether a core
// was taken for it.
bool WantsReadingThread(RecordThreads threads, int slotsLeft, bool& core)
{
    switch (threads) {
        case RecordThreads::One:
            return false;
        case RecordThreads::Two:
            core = TryTakeSpareCore();
            return true;
        case RecordThreads::Auto:
            break;
    }
    core = slotsLeft >= kSlotsForSecondThread && TryTakeSpareCore();
    return core;
}

}  // namespace

void RunRecordLoop(RecordThreads threads, int slotCount,
                   const std::vector<const DbfLayout*>& layouts, const SlotReader& read,
                   const BatchWriter& write)
{
    const BusyThread busy;
    RecordBatch own(layouts);
    int next = 0;
    // The core the reading thread counts on, given back once it has ended (declared first, so
    // that it goes after the thread).
    struct Core {
        bool taken = false;
        ~Core()
        {
            if (taken) {
                GiveBackCore();
            }
        }
    } core;
    std::optional<ReadingThread> reading;
    for (;;) {
        // Between batches, a core left spare (another file of the batch done) takes the rest of
        // this file's slots to a reading thread.
        if (!reading && next < slotCount &&
            WantsReadingThread(threads, slotCount - next, core.taken)) {
            try {
                reading.emplace(layouts, next, slotCount, read);
                next = slotCount;
            } catch (const std::system_error&) {
                // No thread to be had: this one reads on.
                if (std::exchange(core.taken, false)) {
                    GiveBackCore();
                }
            }
        }
        RecordBatch* batch = &own;
        if (reading) {
            batch = reading->Next();
            if (batch == nullptr) {
                break;
            }
        } else if (next < slotCount) {
            Fill(own, next, slotCount, read);
        } else {
            break;
        }
        write(*batch);
        if (batch->End()) {
            std::rethrow_exception(batch->End());
        }
        if (reading) {
            reading->Return(batch);
        }
    }
}

}  // namespace Calvorn
