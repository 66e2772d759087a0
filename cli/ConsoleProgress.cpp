#include "cli/ConsoleProgress.h"

#include "app/TextFormat.h"
#include "app/UserText.h"

namespace Calvorn {

namespace {

// Back to the start of the line and erase it.
constexpr const char* kClearLine = "\r\033[K";

}  // namespace

ConsoleProgress::ConsoleProgress(std::ostream& err, bool enabled) : m_err(err), m_enabled(enabled)
{
}

void ConsoleProgress::Start(const std::string& counter, const std::string& name)
{
    m_counter = counter;
    m_name = EscapeForConsole(name);
    m_percent = 0;
    Draw();
}

void ConsoleProgress::Update(int percent)
{
    m_percent = percent;
    Draw();
}

void ConsoleProgress::Clear()
{
    if (m_shown) {
        m_err << kClearLine;
        m_err.flush();
        m_shown = false;
    }
}

void ConsoleProgress::Draw()
{
    if (!m_enabled) {
        return;
    }
    // Only the file name: a line longer than the terminal would wrap and not be redrawn.
    m_err << kClearLine << m_counter << Format("%3d%% ", m_percent) << m_name;
    m_err.flush();
    m_shown = true;
}

}  // namespace Calvorn
