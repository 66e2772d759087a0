#include "ui/Artwork.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QSvgRenderer>
#include <mutex>

// The resource initialiser is a global function; a static library must call it itself, since
// nothing else refers to the object that holds the data.
static void InitCalvornResource()
{
    Q_INIT_RESOURCE(calvorn);
}

namespace Calvorn {

void EnsureArtwork()
{
    static std::once_flag once;
    std::call_once(once, InitCalvornResource);
}

QFont UiFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Microsoft YaHei", "DejaVu Sans",
                      "sans-serif"});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void PaintSvg(QPainter& painter, const QString& resource, const QRectF& target)
{
    EnsureArtwork();
    QSvgRenderer renderer(resource);
    renderer.render(&painter, target);
}

QPixmap RenderSvg(const QString& resource, const QSize& size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintSvg(painter, resource, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QIcon ListImage(int index)
{
    EnsureArtwork();
    // Kept for the whole run: icons must not outlive the application object at exit.
    static QIcon* const images = new QIcon[12];
    if (index < 0 || index >= 12) {
        return {};
    }
    if (images[index].isNull()) {
        const QString resource = QString(":/calvorn/list/%1.svg").arg(index, 2, 10, QChar('0'));
        QIcon icon;
        // Both scales up front: the list asks for 16 × 16 and a 2× screen takes the larger one.
        icon.addPixmap(RenderSvg(resource, QSize(16, 16), 1.0));
        icon.addPixmap(RenderSvg(resource, QSize(16, 16), 2.0));
        images[index] = icon;
    }
    return images[index];
}

int KindImage(std::optional<Torvex::FileKind> kind)
{
    // Images 2..5 are the four kinds of source file.
    constexpr std::pair<Torvex::FileKind, int> kImages[] = {{Torvex::FileKind::Point, 2},
                                                            {Torvex::FileKind::Line, 3},
                                                            {Torvex::FileKind::Polygon, 4},
                                                            {Torvex::FileKind::Table, 5}};
    for (const auto& [value, image] : kImages) {
        if (kind == value) {
            return image;
        }
    }
    return -1;
}

QIcon AppIcon()
{
    EnsureArtwork();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(RenderSvg(":/calvorn/app-icon.svg", QSize(size, size), 1.0));
    }
    return icon;
}

QString WindowStyleSheet()
{
    return QStringLiteral(
        "QLineEdit { background: #FFFFFF; border: 1px solid #C3CFDA; border-radius: 3px;"
        "  padding: 1px 4px; color: #2B3A4A; selection-background-color: #1B75BB; }"
        "QLineEdit:focus { border-color: #1B75BB; }"
        "QLineEdit:disabled { background: #F2F6FA; color: #8A99A8; }"
        "QGroupBox { background: #FFFFFF; border: 1px solid #C3CFDA; border-radius: 4px;"
        "  margin-top: 10px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px;"
        "  color: #1B75BB; }"
        "QCheckBox { color: #2B3A4A; spacing: 6px; }"
        ".QPushButton { background: #F2F6FA; border: 1px solid #AAB6C2;"
        "  border-radius: 3px; color: #2B3A4A; padding: 2px 8px; }"
        ".QPushButton:hover { background: #DCEAF8; border-color: #1B75BB; }"
        ".QPushButton:pressed { background: #C9DDF1; }"
        ".QPushButton:default { border-color: #1B75BB; }"
        ".QPushButton:focus { border-color: #1B75BB; }");
}

void ApplyApplicationLook()
{
    if (QStyle* fusion = QStyleFactory::create("Fusion")) {
        QApplication::setStyle(fusion);
    }
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(0xED, 0xF1, 0xF5));
    palette.setColor(QPalette::WindowText, kText);
    palette.setColor(QPalette::Text, kText);
    palette.setColor(QPalette::ButtonText, kText);
    palette.setColor(QPalette::Highlight, kAccent);
    palette.setColor(QPalette::Link, kAccent);
    palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xFF));
    palette.setColor(QPalette::ToolTipText, kText);
    QApplication::setPalette(palette);
    QApplication::setFont(UiFont(12));
    QApplication::setWindowIcon(AppIcon());
}

}  // namespace Calvorn
