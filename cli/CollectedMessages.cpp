#include "cli/CollectedMessages.h"

namespace Calvorn {

void CollectedMessages::Show(const std::string& text, const std::string& caption, MessageIcon icon)
{
    m_messages.push_back(Message{text, caption, icon});
}

std::string CollectedMessages::Text() const
{
    std::string text;
    for (const Message& message : m_messages) {
        text += message.text;
        text += '\n';
    }
    return text;
}

}  // namespace Calvorn
