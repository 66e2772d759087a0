// What --resume knows from earlier runs' reports: each source's last record (matched on
// `source` byte for byte), and whether this run may leave the source out as done.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/ReportFormat.h"

namespace Calvorn {

class ResumeIndex {
public:
    ResumeIndex() = default;
    ~ResumeIndex();
    ResumeIndex(const ResumeIndex&) = delete;
    ResumeIndex& operator=(const ResumeIndex&) = delete;

    // Reads one more report; its records come after those read before. False when it cannot be
    // read.
    bool Read(const std::filesystem::path& report, std::ostream& err);

    // The settings of the run that asks Done, whose output folder the outputs are looked for in.
    void SetRun(const RunSettings& settings);

    // The earlier record that lets `source` be left out of the run: its last record says
    // converted or empty (or skipped after that), by a run with the same settings, with the size
    // and modification time `now` gives, and every output it names is still there. Null when
    // the source must be converted. Safe to call from several threads at once.
    const FileEntry* Done(const std::string& source, const SourceStat& now) const;

    // Where Done's record stands, for the reason of a skipped file: "REPORT:LINE".
    std::string Where(const FileEntry& done) const;

private:
    struct Earlier {
        FileEntry entry;
        std::shared_ptr<const RunSettings> run;
        std::size_t report = 0;
        std::size_t line = 0;
    };
    std::vector<std::filesystem::path> m_reports;
    std::unordered_map<std::string, Earlier> m_last;
    RunSettings m_run;
    int m_folderFd = -1;  // the output folder, open: looked in hundreds of thousands of times
};

}  // namespace Calvorn
