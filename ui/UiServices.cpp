#include "ui/UiServices.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace Calvorn {

void UiServices::ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                             MessageIcon icon)
{
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::None:
            break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QStringList UiServices::GetOpenFileNames(QWidget* parent, const QString& folder,
                                         const QString& filter)
{
    return QFileDialog::getOpenFileNames(parent, QString(), folder,
                                         QtNameFilters(filter).join(";;"));
}

QString UiServices::GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), folder,
                                        QtNameFilters(filter).join(";;"));
}

QString UiServices::GetExistingDirectory(QWidget* parent, const QString& title,
                                         const QString& folder, bool allowNewFolder)
{
    QFileDialog::Options options = QFileDialog::ShowDirsOnly;
    if (!allowNewFolder) {
        // Qt's own dialog hides its new-folder button for a read-only dialog.
        options |= QFileDialog::ReadOnly;
    }
    return QFileDialog::getExistingDirectory(parent, title, folder, options);
}

int UiServices::ExecDialog(QDialog& dialog)
{
    return dialog.exec();
}

QAction* UiServices::ExecMenu(QMenu& menu, const QPoint& globalPos)
{
    return menu.exec(globalPos);
}

bool UiServices::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

QStringList UiServices::QtNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = parts[i + 1];
        if (description.isEmpty() && patterns.isEmpty()) {
            break;  // the closing "||"
        }
        const QString spaced = QString(patterns).replace(';', ' ');
        const qsizetype open = description.lastIndexOf('(');
        if (description.endsWith(')') && open >= 0) {
            description = description.left(open + 1) + spaced + ')';
        } else {
            description += " (" + spaced + ')';
        }
        result << description;
    }
    return result;
}

}  // namespace Calvorn
