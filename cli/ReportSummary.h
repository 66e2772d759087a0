// calvorn-cli --summarize REPORT...: merges run reports (the shards of an archive, its machines,
// its resumed runs) and tells what became of every source. Each source counts once, by its last
// record that is not "skipped" (a skipped source alone counts as what the run that skipped it
// found: converted or empty). Standard output:
//
//   total<TAB>N, ok<TAB>N, empty<TAB>N, failed<TAB>N, stopped<TAB>N
//   failed N<TAB>PATH<TAB>REASON       for each failed source, in byte order of the paths
//
// Exit 0, 1 when a source failed or was stopped, 64 for arguments not understood, 66 for a
// report that cannot be read.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace Calvorn {

// Whether `args` ask for --summarize (before any "--").
bool IsSummarizeMode(const std::vector<std::string>& args);

int RunSummarize(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace Calvorn
