// Follows a batch run, so that a window and a console can both show it. Every call is made on
// the thread that runs the batch; a window hands them over to its own thread.
#pragma once

#include <cstddef>
#include <string>

#include "batch/Job.h"

namespace Calvorn {

class BatchRunObserver {
public:
    virtual ~BatchRunObserver() = default;

    // The preconditions were met and the tables loaded; `rowCount` rows follow.
    virtual void RunStarted(std::size_t /*rowCount*/) {}
    // Row `row` is about to be converted (the window scrolls to it and marks it).
    virtual void RowStarted(std::size_t /*row*/, const Job& /*job*/) {}
    // Progress within the current file, 0..100; called only when the position changes.
    virtual void Progress(int /*position*/) {}
    // Row `row`'s file is done and its outputs are in place: `job` holds its result as for
    // RowFinished, and the file's counts and final output paths (Job::facts). Called as soon as
    // the file is done, before RowFinished; with several threads in the order files complete,
    // which may differ from row order. Not called for a file a stop signal ended.
    virtual void FileDone(std::size_t /*row*/, const Job& /*job*/) {}
    // Row `row` is done: `job.status` holds its new status image, `outcome` (also in
    // `job.outcome`) the converter's outcome (kOutcomeNoConverter for a kind no converter
    // takes), `job.log` the lines the file wrote to the conversion log.
    virtual void RowFinished(std::size_t /*row*/, const Job& /*job*/, int /*outcome*/) {}
    // The status line's text after each row: "转换进度：[done/n] 转换完成！".
    virtual void StatusLineChanged(const std::string& /*text*/) {}
};

}  // namespace Calvorn
