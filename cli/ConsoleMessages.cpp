#include "cli/ConsoleMessages.h"

#include "app/UserText.h"

namespace Calvorn {

void PrintPathProblem(std::ostream& err, std::string_view path, std::string_view reason)
{
    err << kToolName << ": " << EscapeForConsole(path) << ": " << EscapeForConsole(reason) << '\n';
}

}  // namespace Calvorn
