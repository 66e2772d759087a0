// The progress line of the console tool: drawn on standard error, redrawn in place, and
// cleared before anything else is printed. Only for a terminal; otherwise it draws nothing.
#pragma once

#include <ostream>
#include <string>

namespace Calvorn {

class ConsoleProgress {
public:
    ConsoleProgress(std::ostream& err, bool enabled);

    // A new file: `counter` ("[3/10] " in a batch, empty for one file) and its name.
    void Start(const std::string& counter, const std::string& name);
    // The position within the file, 0..100.
    void Update(int percent);
    // Erases the line, if one is shown.
    void Clear();

private:
    void Draw();

    std::ostream& m_err;
    const bool m_enabled;
    bool m_shown = false;
    std::string m_counter;
    std::string m_name;
    int m_percent = 0;
};

}  // namespace Calvorn
