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
    // Reads one more report; its records come after those read before. False when it cannot be
    // read.
    bool Read(const std::filesystem::path& report, std::ostream& err);

    // The earlier record that lets `source` be left out of a run with `settings`: its last
    // record says converted or empty (or skipped after that), by a run with the same settings,
    // with the size and modification time `now` gives, and every output it names is still
    // there. Null when the source must be converted.
    const FileEntry* Done(const std::string& source, const SourceStat& now,
                          const RunSettings& settings) const;

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
};

}  // namespace Calvorn
