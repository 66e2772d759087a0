#include "cli/ReportSummary.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <system_error>

#include "app/PathText.h"
#include "app/UserText.h"
#include "batch/ExitStatus.h"
#include "cli/ConsoleMessages.h"
#include "cli/ReportFormat.h"

namespace Calvorn {

namespace {

constexpr const char* kOption = "--summarize";

struct Merged {
    FileEntry entry;     // the last record that is not "skipped", else the last one
    bool final = false;  // `entry` is not "skipped"
};

// The status a source counts with.
std::string CountedStatus(const FileEntry& entry)
{
    if (entry.status != "skipped") {
        return entry.status;
    }
    return entry.outcome == kOutcomeEmpty ? "empty" : "ok";
}

}  // namespace

bool IsSummarizeMode(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == kOption) {
            return true;
        }
    }
    return false;
}

int RunSummarize(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> reports;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == kOption) {
            continue;
        } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            err << kToolName << ": " << kOption << " takes report files only, not "
                << EscapeForConsole(arg) << "\nTry '" << kToolName << " --help'.\n";
            return kExitUsage;
        } else {
            reports.push_back(arg);
        }
    }
    if (reports.empty()) {
        err << kToolName << ": " << kOption << " needs a REPORT\nTry '" << kToolName
            << " --help'.\n";
        return kExitUsage;
    }
    // Every report must be there before anything is counted.
    bool readable = true;
    for (const std::string& report : reports) {
        const int fd = ::open(Utf8ToPath(report).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            readable = false;
            PrintPathProblem(err, report,
                             SystemErrorText(std::error_code(errno, std::generic_category())));
        } else {
            ::close(fd);
        }
    }
    if (!readable) {
        return kExitNoInput;
    }

    std::map<std::string, Merged> sources;  // in byte order of the paths
    for (const std::string& report : reports) {
        const bool read = ReadReport(
            Utf8ToPath(report), err,
            [&](FileEntry&& entry, const std::shared_ptr<const RunSettings>&, std::size_t) {
                Merged& merged = sources[entry.source];
                const bool final = entry.status != "skipped";
                if (final || !merged.final) {
                    merged = {std::move(entry), final};
                }
            });
        if (!read) {
            PrintPathProblem(err, report, "cannot be read");
            return kExitNoInput;
        }
    }
    std::map<std::string, int> counts = {{"ok", 0}, {"empty", 0}, {"failed", 0}, {"stopped", 0}};
    for (const auto& [source, merged] : sources) {
        ++counts[CountedStatus(merged.entry)];
    }
    out << "total\t" << sources.size() << '\n';
    for (const char* status : {"ok", "empty", "failed", "stopped"}) {
        out << status << '\t' << counts[status] << '\n';
    }
    for (const auto& [source, merged] : sources) {
        if (merged.entry.status == "failed") {
            out << "failed " << merged.entry.outcome.value_or(kOutcomeOpenFailed) << '\t'
                << EscapeForConsole(UnescapeNonUtf8(source)) << '\t'
                << EscapeForConsole(merged.entry.reason.value_or("")) << '\n';
        }
    }
    return counts["failed"] + counts["stopped"] > 0 ? kExitSomeFailed : kExitSuccess;
}

}  // namespace Calvorn
