#include "ui/DialogMessageSink.h"

#include <QString>

#include "ui/UiServices.h"

namespace Calvorn {

DialogMessageSink::DialogMessageSink(UiServices& services, QWidget* parent)
    : m_services(services), m_parent(parent)
{
}

void DialogMessageSink::Show(const std::string& text, const std::string& caption, MessageIcon icon)
{
    m_services.ShowMessage(m_parent, QString::fromStdString(text), QString::fromStdString(caption),
                           icon);
}

}  // namespace Calvorn
