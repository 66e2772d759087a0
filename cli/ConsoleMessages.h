// What the console tool says about a path on standard error, in one form for every problem:
//
//   calvorn-cli: PATH: REASON
//
// one line whatever the path holds (see EscapeForConsole), so scripts can read it.
#pragma once

#include <ostream>
#include <string_view>

namespace Calvorn {

inline constexpr const char* kToolName = "calvorn-cli";

// Writes "calvorn-cli: PATH: REASON" and a line end; `path` (as PathToUtf8 gives it, or as
// the user typed it) and `reason` are escaped.
void PrintPathProblem(std::ostream& err, std::string_view path, std::string_view reason);

}  // namespace Calvorn
