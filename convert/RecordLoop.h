// The record loop of a conversion, on one thread or two. The reading side (slot checks,
// decoding, rendering the rows, repairing the shapes) fills batches of records; the writing side
// (shapelib) writes them in order. On one thread the two take turns batch by batch; on two, a
// reading thread fills batches while the calling thread writes them, with at most a few batches
// between them, so memory stays flat. Both ways run the same code and write the same bytes.
#pragma once

#include <functional>
#include <vector>

#include "convert/ConversionContext.h"
#include "convert/RecordBatch.h"

namespace Calvorn {

// Adds slot `slot` to the batch (entries, lines); runs on either thread, and may use only what
// the reading side owns (the reader, the row layouts).
using SlotReader = std::function<void(int slot, RecordBatch& batch)>;
// Writes a batch; runs on the calling thread.
using BatchWriter = std::function<void(RecordBatch& batch)>;

// Reads slots 0 .. slotCount - 1 into batches of rows laid out by `layouts` (one per output)
// and writes them in order. An exception from `read` ends the reading at that slot: the slots
// before it are written, then it is thrown here. An exception from `write` stops the reading
// thread and is thrown here once that thread has ended. The calling thread counts as busy
// (BusyThread) while the loop runs.
// `threads` says how many threads may read (ConversionContext).
void RunRecordLoop(RecordThreads threads, int slotCount,
                   const std::vector<const DbfLayout*>& layouts, const SlotReader& read,
                   const BatchWriter& write);

}  // namespace Calvorn
