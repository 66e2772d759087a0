// One row of the job list: a source file, its kind and the result of its last conversion.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "app/LogBlock.h"
#include "convert/ConversionEngine.h"
#include "convert/ConversionFacts.h"
#include "torvex/Result.h"

namespace Calvorn {

// Status images of a row, as indices into the window's image list.
enum StatusImage : int {
    kStatusNone = -1,      // not converted yet (or not reached by a stopped run)
    kStatusEmpty = 8,      // outcome 10: the file had no record
    kStatusConverted = 9,  // outcome 0
    kStatusFailed = 10,    // any other outcome
};

struct Job {
    Job() = default;
    Job(std::filesystem::path path, std::optional<Torvex::FileKind> fileKind,
        int statusImage = kStatusNone)
        : source(std::move(path)), kind(fileKind), status(statusImage)
    {
    }

    std::filesystem::path source;  // the path as it was added
    // The source's place in what was added, "/" between names: the path below a scanned
    // folder ("sheet01/roads.wl"), "P/NAME" for item NAME of project P.mpj, else the file name.
    std::string relative;
    std::optional<Torvex::FileKind> kind;  // by the extension (SourceKinds); none for a folder
    int status = kStatusNone;              // a StatusImage
    // Why a folder scan could not take this path (a folder it cannot read, a path longer than
    // the system allows): such a row fails with outcome 1 without being converted.
    std::string problem;
    // The last conversion's outcome and log lines; meaningful while `status` is set.
    int outcome = kOutcomeConverted;
    LogBlock log;
    ConversionFacts facts;  // the last conversion's counts and final output paths
    double seconds = 0;     // how long the last conversion took
};

// The status image for a conversion outcome.
StatusImage StatusForOutcome(int outcome);

// Why a file failed, in one line taken from its log block: for outcomes 1 and 2 the result
// named in the end line; otherwise the last line saying the run was stopped or an output
// could not be created, else the last error line (without its "------E__" mark), else the
// end line's result; "转换失败" when the block says nothing.
std::string FailureReason(int outcome, const LogBlock& log);
// Why the row failed: what a scan said about it, else FailureReason of its outcome and log.
std::string FailureReason(const Job& job);

}  // namespace Calvorn
