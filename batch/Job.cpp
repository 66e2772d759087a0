#include "batch/Job.h"

#include <string_view>

namespace Calvorn {

namespace {

// The result named in an end line "------结束转换【...】------".
std::string EndLineResult(const std::string& endLine)
{
    constexpr std::string_view kOpen = "【";
    constexpr std::string_view kClose = "】";
    const std::size_t open = endLine.find(kOpen);
    const std::size_t close = endLine.rfind(kClose);
    if (open == std::string::npos || close == std::string::npos || close < open + kOpen.size()) {
        return {};
    }
    return endLine.substr(open + kOpen.size(), close - open - kOpen.size());
}

std::string WithoutErrorMark(const std::string& line)
{
    constexpr std::string_view kMark = "------E__";
    return line.starts_with(kMark) ? line.substr(kMark.size()) : line;
}

}  // namespace

StatusImage StatusForOutcome(int outcome)
{
    switch (outcome) {
        case kOutcomeConverted:
            return kStatusConverted;
        case kOutcomeEmpty:
            return kStatusEmpty;
        default:
            return kStatusFailed;
    }
}

std::string FailureReason(int outcome, const LogBlock& log)
{
    std::string reason;
    if (outcome != kOutcomeOpenFailed && outcome != kOutcomeCountMismatch) {
        const std::string& line =
            log.LastAbortLine().empty() ? log.LastErrorLine() : log.LastAbortLine();
        reason = WithoutErrorMark(line);
    }
    if (reason.empty()) {
        reason = EndLineResult(log.EndLine());
    }
    return reason.empty() ? "转换失败" : reason;
}

std::string FailureReason(const Job& job)
{
    return job.problem.empty() ? FailureReason(job.outcome, job.log) : job.problem;
}

}  // namespace Calvorn
