#include "ui/CLogDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Artwork.h"
#include "ui/ControlIds.h"

namespace Calvorn {

CLogDlg::CLogDlg(const QString& file, const QString& result, const QString& log, QWidget* parent)
    : QDialog(parent)
{
    EnsureArtwork();
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFont(UiFont(12));
    setStyleSheet(WindowStyleSheet());
    resize(600, 380);

    auto* fileLabel = new QLabel(file, this);
    fileLabel->setObjectName(ControlId::kLogFile);
    fileLabel->setTextFormat(Qt::PlainText);
    fileLabel->setWordWrap(true);
    fileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* resultLabel = new QLabel(result, this);
    resultLabel->setObjectName(ControlId::kLogResult);
    resultLabel->setTextFormat(Qt::PlainText);
    resultLabel->setWordWrap(true);

    auto* text = new QPlainTextEdit(log, this);
    text->setObjectName(ControlId::kLogText);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(UiFont(12));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    close->setObjectName(ControlId::kLogClose);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileLabel);
    layout->addWidget(resultLabel);
    layout->addWidget(text, 1);
    layout->addWidget(buttons);
    close->setFocus();
}

}  // namespace Calvorn
