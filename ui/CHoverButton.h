// A picture button drawn from a picture of three frames side by side, each of the button's
// size: disabled, normal, and hover/pressed. It paints no background of its own, so the
// window's painting shows around the picture.
#pragma once

#include <QPushButton>
#include <QString>

namespace Calvorn {

class CHoverButton : public QPushButton {
    Q_OBJECT

public:
    enum Frame { kFrameDisabled = 0, kFrameNormal = 1, kFrameHot = 2 };

    explicit CHoverButton(QWidget* parent = nullptr);

    // Takes the three-frame SVG picture `resource`; returns false when it cannot be read.
    bool LoadFrames(const QString& resource);
    const QString& Frames() const { return m_resource; }

    // The frame the button shows in its present state.
    Frame CurrentFrame() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_resource;
    QSize m_frameSize;
    bool m_hover = false;
};

}  // namespace Calvorn
