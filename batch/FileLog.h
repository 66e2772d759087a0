// The log of one file of a batch, handed to the engine as its log sink: each line is kept in the
// file's LogBlock for the user, and either passed on to the run's log at once or held back, to
// be written as one block when the file's turn comes (with -j N the log stays that of -j 1).
#pragma once

#include <string>
#include <vector>

#include "app/LogBlock.h"
#include "app/LogSink.h"

namespace Calvorn {

class FileLog : public LogSink {
public:
    // `target` (the run's log) must outlive this object.
    FileLog(LogSink& target, bool hold) : m_target(target), m_hold(hold) {}

    void Write(int level, const std::string& text, const char* file, int line,
               const char* function) override;

    // The lines since the last take, and forgets them: the next file starts afresh.
    LogBlock TakeBlock();
    std::vector<std::string> TakeHeld();

private:
    LogSink& m_target;
    bool m_hold;
    LogBlock m_block;
    std::vector<std::string> m_held;
};

}  // namespace Calvorn
