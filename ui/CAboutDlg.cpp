#include "ui/CAboutDlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "ui/Artwork.h"
#include "ui/ControlIds.h"

namespace Calvorn {

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 300;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    EnsureArtwork();
    setWindowTitle(QStringLiteral("关于 Calvorn"));
    setWindowIcon(AppIcon());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(kWidth, kHeight);
    setFont(UiFont(12));
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, kText);
    setPalette(palette);

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(QSize(32, 32), devicePixelRatioF()));
    icon->setGeometry(12, 245, 32, 32);

    auto* version = new QLabel(VersionLine(CALVORN_PRODUCT_NAME, CALVORN_VERSION), this);
    version->setObjectName(ControlId::kVersionLine);
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(56, 243, 240, 18);

    auto* notice = new QLabel(QStringLiteral("版权所有 © Calvorn 开发组"), this);
    notice->setObjectName(ControlId::kNoticeLine);
    notice->setTextFormat(Qt::PlainText);
    notice->setGeometry(56, 262, 240, 18);
}

QString CAboutDlg::VersionLine(const QString& product, const QString& version)
{
    if (product.isEmpty() || version.isEmpty()) {
        return QString::fromUtf8(kTemplateLine);
    }
    return product + "  Ver" + version;
}

void CAboutDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintSvg(painter, ":/calvorn/about.svg", QRectF(0, 0, kWidth, kHeight));
}

void CAboutDlg::mousePressEvent(QMouseEvent*)
{
    accept();
}

void CAboutDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace Calvorn
