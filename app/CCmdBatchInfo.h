// The command line of the desktop program and of the console tool's one-file mode:
//
//   [/s] [/n] [/p] [/c] [/e] torvexfile outputpath
//
// A switch starts with "/" or "-"; its name is compared case-sensitively and in full with the
// five letters, and any other name is ignored without a message. The first two plain arguments
// are the source file and the output folder; further ones are ignored.
//
// On Linux and macOS "/" also begins every absolute path, so there an argument beginning with
// "/" is a switch only when the rest is one of the five names, or when the rest holds no further
// "/" and nothing exists at that path ("/C" and "/pe" stay ignored switches, "/home/u/roads.wl"
// is a path). On Windows every argument beginning with "/" is a switch.
#pragma once

#include <string>
#include <vector>

#include "app/ConversionOptions.h"

namespace Calvorn {

class CCmdBatchInfo {
public:
    // The switches "n", "p", "c" and "e" also write `options`, which must outlive the parser.
    explicit CCmdBatchInfo(ConversionOptions& options);

    // Parses the arguments after the program name (UTF-8), one ParseParam call each, in order.
    void ParseCommandLine(const std::vector<std::string>& args);
    // The same for main's arguments; argv[0], the program, is skipped.
    void ParseCommandLine(int argc, const char* const* argv);

    // One parameter: `param` is the argument without its switch character when `isSwitch`.
    // `isLast` says whether it is the last parameter; it changes nothing.
    void ParseParam(const std::string& param, bool isSwitch, bool isLast);

    // How many plain arguments were given, empty ones included. The desktop program runs the
    // one-file conversion instead of its window when there was at least one.
    int PlainArgumentCount() const { return m_plainArguments; }

    // Whether `arg` is a switch by the grammar of this platform (see above).
    static bool IsSwitchArgument(const std::string& arg);
    // Whether `name` is one of the five switch names "s", "n", "p", "c", "e".
    static bool IsSwitchName(const std::string& name);

    // What the switches said; the options object is what takes effect.
    bool m_bQuiet = false;               // "s"
    bool m_bSplitAnnotations = true;     // "n" clears it
    bool m_bOutputProjection = false;    // "p"
    bool m_bStyleAsAttributes = false;   // "c"
    bool m_bDeleteEmptyResults = false;  // "e"
    std::string m_strSourceFile;         // first plain argument (UTF-8)
    std::string m_strOutputPath;         // second plain argument (UTF-8)

private:
    ConversionOptions& m_options;
    int m_plainArguments = 0;
};

}  // namespace Calvorn
