#include "ui/CHoverButton.h"

#include <QPainter>
#include <QSvgRenderer>

#include "ui/Artwork.h"

namespace Calvorn {

CHoverButton::CHoverButton(QWidget* parent) : QPushButton(parent)
{
    setFlat(true);
    // Enter belongs to the window's default button, whichever picture button has the focus.
    setAutoDefault(false);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

bool CHoverButton::LoadFrames(const QString& resource)
{
    EnsureArtwork();
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) {
        return false;
    }
    m_resource = resource;
    const QSize whole = renderer.defaultSize();
    m_frameSize = QSize(whole.width() / 3, whole.height());
    updateGeometry();
    update();
    return true;
}

CHoverButton::Frame CHoverButton::CurrentFrame() const
{
    if (!isEnabled()) {
        return kFrameDisabled;
    }
    if (isDown() || m_hover) {
        return kFrameHot;
    }
    return kFrameNormal;
}

QSize CHoverButton::sizeHint() const
{
    return m_frameSize.isValid() ? m_frameSize : QPushButton::sizeHint();
}

void CHoverButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_resource.isEmpty()) {
        return;
    }
    const qreal w = width();
    const qreal h = height();
    painter.setClipRect(rect());
    PaintSvg(painter, m_resource, QRectF(-CurrentFrame() * w, 0, 3 * w, h));
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        // Only after keyboard use, as native buttons do: a mouse click leaves no mark.
        QPen pen(kAccent, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
    }
}

void CHoverButton::enterEvent(QEnterEvent* event)
{
    m_hover = true;
    update();
    QPushButton::enterEvent(event);
}

void CHoverButton::leaveEvent(QEvent* event)
{
    m_hover = false;
    update();
    QPushButton::leaveEvent(event);
}

}  // namespace Calvorn
