// calvorn-cli: the console tool. Everything but reading the process's arguments and streams
// is in the calvorn_cli library, where the tests reach it.
#include <iostream>
#include <string>
#include <vector>

#include "cli/ConsoleTool.h"
#include "cli/StopSignals.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

// Windows hands the arguments over in UTF-16; the program keeps text in UTF-8.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), size, nullptr, nullptr);
        arg.resize(arg.size() - 1);  // the terminating null
        args.push_back(arg);
    }
    SetConsoleOutputCP(CP_UTF8);
    Calvorn::InstallStopSignalHandlers();
    Calvorn::ConsoleEnvironment environment;
    environment.terminal = _isatty(_fileno(stderr)) != 0;
    return Calvorn::RunConsoleTool(args, std::cout, std::cerr, environment);
}
#else
#include <unistd.h>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    Calvorn::InstallStopSignalHandlers();
    Calvorn::ConsoleEnvironment environment;
    environment.terminal = isatty(STDERR_FILENO) == 1;
    return Calvorn::RunConsoleTool(args, std::cout, std::cerr, environment);
}
#endif
