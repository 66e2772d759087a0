// Whether the console may write its conversion log to the file --log names. The log is
// appended to a file the user names, so a slip of the fingers must not append it to (or cut)
// one of the user's data files: a source, a Torvex or Shapefile name, a folder, a FIFO.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace Calvorn {

// Why `log` cannot take the log, or nothing when it can (an existing regular file, a new file,
// a character device such as /dev/null). `sources` are every file the run reads.
// Whether `a` and `b` name one file: the same file where both exist, the same absolute path
// (links resolved) where neither does.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

std::optional<std::string> LogFileProblem(const std::filesystem::path& log,
                                          const std::vector<std::filesystem::path>& sources);

}  // namespace Calvorn
