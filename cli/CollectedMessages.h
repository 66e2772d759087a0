// A message sink that keeps the messages, for a front end that decides afterwards where each
// one goes (the console prints them to standard output or error by the result).
#pragma once

#include <string>
#include <vector>

#include "app/MessageSink.h"

namespace Calvorn {

class CollectedMessages : public MessageSink {
public:
    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon = MessageIcon::None;
    };

    void Show(const std::string& text, const std::string& caption, MessageIcon icon) override;

    const std::vector<Message>& Messages() const { return m_messages; }
    // Each message's text followed by a line end.
    std::string Text() const;

private:
    std::vector<Message> m_messages;
};

}  // namespace Calvorn
