// The console tool calvorn-cli. Its interface is fixed for scripts:
//
//   calvorn-cli [/s] [/n] [/p] [/c] [/e] [--log FILE] torvexfile outputpath
//   calvorn-cli [options] -o OUTDIR SOURCE...
//   calvorn-cli --help | --version
//
// One-file mode (no -o) is the desktop program's command line: the usage text goes to standard
// output (exit 64), an existence message to standard error (exit 66), the outcome message to
// standard output for outcomes 0 and 10 and to standard error otherwise; the exit status is the
// outcome (0, 1, 2, 4, 6, 10), or 20 when no converter takes the extension. No name tables are
// loaded.
//
// Batch mode (-o given) collects every SOURCE (file, project, folder) in a job list in the
// order given and runs the batch: one line per file as it ends ("ok\tPATH", "empty\tPATH",
// "failed N\tPATH"), a progress display on a terminal, then the summary and "log\tPATH".
// Exit 0 when no file failed, 1 when one did, 64 for arguments not understood, 66 when a
// precondition of the run failed (its warning on standard error). --help tells the rest.
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
