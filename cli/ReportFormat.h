// The run report's records (docs/report.md, checked by docs/report.schema.json): JSON Lines, one
// object a line. A run writes a "run" line (its settings), a "file" line for every source as it
// ends, and a "summary" line. Text fields are UTF-8: a path's bytes that are not UTF-8 are
// written as "\xHH" (EscapeNonUtf8), so `source` is the path as its result line shows it,
// without the result line's escapes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/ConversionOptions.h"
#include "batch/Job.h"
#include "convert/ConversionEngine.h"

namespace Calvorn {

inline constexpr int kReportVersion = 1;

// A source's size and modification time (nanoseconds since 1970) when the run took it; nothing
// when it could not be looked at (a missing project item).
struct SourceStat {
    std::optional<std::int64_t> size;
    std::optional<std::int64_t> mtime;
    bool operator==(const SourceStat&) const = default;
};
// `identity` (may be null) gets the file's device and inode, zeros when it cannot be looked at.
SourceStat StatSource(const std::filesystem::path& path,
                      std::pair<std::uint64_t, std::uint64_t>* identity = nullptr);

// What decides whether a later run may take a run's files as done.
struct RunSettings {
    std::string outputFolder;  // absolute
    bool keepTree = false;
    ConversionOptions options;
    bool operator==(const RunSettings& other) const;
};

struct RecordCounts {
    std::int64_t stored = 0;  // slots
    std::int64_t live = 0;
    std::int64_t written = 0;
};

// One "file" line.
struct FileEntry {
    std::string source;  // the path, UTF-8 (EscapeNonUtf8)
    SourceStat stat;
    std::optional<Torvex::FileKind> kind;
    std::string status;  // "ok", "empty", "failed", "stopped", "skipped"
    std::optional<std::string> reason;
    std::optional<int> outcome;
    std::optional<RecordCounts> records;
    std::vector<std::string> outputs;  // relative to the output folder, "/" between names
    double seconds = 0;
    std::vector<std::string> log;
};

nlohmann::ordered_json RunSettingsJson(const RunSettings& settings);
nlohmann::ordered_json FileEntryJson(const FileEntry& entry);
// A duration as the report gives it: seconds, to the millisecond.
double ReportSeconds(double seconds);
// One line of the report: `json` without line breaks (never throws).
std::string ReportLine(const nlohmann::ordered_json& json);

// The line of a row that ended in this run (ok, empty, failed): its outputs relative to
// `outputFolder`, the run took it when it looked as `stat` says.
FileEntry EntryOfRow(const Job& job, const SourceStat& stat,
                     const std::filesystem::path& outputFolder);

// Reads the report `path` line by line and calls `onFile` for each file line with the settings
// of the run line before it (null when there was none) and its line number. A line that does not
// parse as a report record is skipped with "calvorn-cli: PATH: line N ..." on `err`; a file's log
// lines are not read. False when the file cannot be read.
using FileEntryCallback = std::function<void(
    FileEntry&& entry, const std::shared_ptr<const RunSettings>& run, std::size_t line)>;
bool ReadReport(const std::filesystem::path& path, std::ostream& err,
                const FileEntryCallback& onFile);

}  // namespace Calvorn
