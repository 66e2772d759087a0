// The message interface of the desktop program: each message becomes a message box owned by
// a window. Used on the window's own thread; a batch run on a worker thread reports through
// BatchWorker, which hands its messages over.
#pragma once

#include "app/MessageSink.h"

class QWidget;

namespace Calvorn {

class UiServices;

class DialogMessageSink : public MessageSink {
public:
    // `parent` (or null) owns the boxes.
    DialogMessageSink(UiServices& services, QWidget* parent);

    void Show(const std::string& text, const std::string& caption, MessageIcon icon) override;

private:
    UiServices& m_services;
    QWidget* m_parent;
};

}  // namespace Calvorn
