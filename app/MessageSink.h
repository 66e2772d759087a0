// Where the program's messages to the user go: message boxes in the desktop program, standard
// output and error in the console tool, a list in the tests. The batch run and the one-file
// conversion report only through this interface.
#pragma once

#include <string>

namespace Calvorn {

// The icon of a message box; None is a plain box with an OK button.
enum class MessageIcon {
    None,
    Information,
    Exclamation,
};

class MessageSink {
public:
    virtual ~MessageSink() = default;

    // Shows `text` (UTF-8, lines separated by "\n") with `caption`, and returns when the user
    // has seen it (a message box is modal). A batch run that works on a worker thread calls
    // this on that thread: a window must hand the message over to its own thread.
    virtual void Show(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

}  // namespace Calvorn
