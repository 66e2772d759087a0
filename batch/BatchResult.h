// What a batch run did: whether it started, its three counters, and how many rows a stop left.
#pragma once

#include <string>

namespace Calvorn {

// The checks a run makes before it converts anything; each failing one is reported by a
// warning ("警告") and stops the run.
enum class BatchPrecondition {
    Met,
    NoRows,               // "待转换文件集合不能为空!"
    NoOutputFolder,       // "输出路径不能为空!"
    OutputFolderMissing,  // "输出路径不存在!"
};

struct BatchResult {
    BatchPrecondition precondition = BatchPrecondition::Met;
    int converted = 0;     // outcome 0
    int empty = 0;         // outcome 10
    int failed = 0;        // any other outcome
    int notConverted = 0;  // rows a stop left unconverted (stopped in the middle included)
    int skipped = 0;       // files an earlier run converted, left out of this one (console)
    int stopSignal = 0;    // the signal that stopped the run (console), 0 when none did

    // True when the preconditions were met and rows were converted (or a stop came first).
    bool Ran() const { return precondition == BatchPrecondition::Met; }
    bool Stopped() const { return notConverted > 0; }

    // The closing summary: "  转换完成。", then a line for each count above 0 (empty,
    // converted, failed, skipped, in this order), then the stop line when rows were left.
    std::string SummaryText() const;
};

}  // namespace Calvorn
