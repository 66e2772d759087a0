// The console tool calvorn-cli. Its interface is fixed for scripts:
//
//   calvorn-cli [/s] [/n] [/p] [/c] [/e] [--log FILE] torvexfile outputpath
//   calvorn-cli [options] -o OUTDIR SOURCE...
//   calvorn-cli --help | --version
//
// One-file mode (no -o) is the desktop program's command line, with the long option pairs of
// batch mode as well: the usage text goes to standard output (exit 64; with no argument at all
// followed by a hint at --help), an existence message to standard error (exit 66), the outcome
// message to standard output for outcomes 0 and 10 and to standard error otherwise, then for a
// failed file "calvorn-cli: PATH: REASON"; the exit status is the outcome (0, 1, 2, 4, 6, 10),
// or 20 when no converter takes the extension. No name tables are loaded. An option of batch
// mode alone (-j, --layer-map...) exits 64.
//
// Batch mode (-o given) checks that every SOURCE exists (exit 66 when one does not, before
// anything is converted), collects them (file, project, folder) in a job list in the order
// given and runs the batch: on standard output one line per file as it ends ("ok\tPATH",
// "empty\tPATH", "failed N\tPATH"), then the summary and "log\tPATH", nothing else; on
// standard error the reason of each failed file. Exit 0 when no file failed, 1 when one did,
// 64 for arguments not understood, 66 when a precondition of the run failed (its warning on
// standard error). --help tells the rest.
//
// Both modes draw a progress line on standard error when it is a terminal (not with /s), and
// escape every path they print (EscapeForConsole).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/ConsoleEnvironment.h"

namespace Calvorn {

// Runs the tool on `args` (the arguments after the program name, UTF-8) and returns its exit
// status. Output and error text are UTF-8.
int RunConsoleTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunConsoleTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const ConsoleEnvironment& environment);

// The text of --help and of --version.
std::string ConsoleHelpText();
std::string ConsoleVersionText();

}  // namespace Calvorn
