#include "ui/CHyperLink.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/Artwork.h"

namespace Calvorn {

CHyperLink::CHyperLink(QWidget* parent)
    : QLabel(parent), m_launcher([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAlignment(Qt::AlignCenter);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    ApplyColour(false);
}

void CHyperLink::SetLink(const QString& text, const QUrl& address)
{
    setText(text);
    m_address = address;
    setToolTip(address.isLocalFile() ? address.toLocalFile() : address.toString());
}

void CHyperLink::SetLauncher(Launcher launcher)
{
    m_launcher = std::move(launcher);
}

bool CHyperLink::Open()
{
    if (!m_launcher || m_address.isEmpty()) {
        return false;
    }
    return m_launcher(m_address);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Open();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        Open();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperLink::enterEvent(QEnterEvent* event)
{
    ApplyColour(true);
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event)
{
    ApplyColour(false);
    QLabel::leaveEvent(event);
}

void CHyperLink::ApplyColour(bool hover)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, hover ? kAccentDark : kAccent);
    setPalette(palette);
}

}  // namespace Calvorn
