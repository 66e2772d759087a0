#include "tests/ui/ScriptedServices.h"

#include <QMenu>

namespace CalvornTest {

void ScriptedServices::ShowMessage(QWidget*, const QString& text, const QString& caption,
                                   Calvorn::MessageIcon icon)
{
    messages.push_back({text.toStdString(), caption.toStdString(), icon});
}

QStringList ScriptedServices::GetOpenFileNames(QWidget*, const QString& folder,
                                               const QString& filter)
{
    fileRequests.push_back({{}, folder, filter, false});
    if (fileAnswers.empty()) {
        return {};
    }
    QStringList answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedServices::GetOpenFileName(QWidget* parent, const QString& folder,
                                          const QString& filter)
{
    const QStringList answer = GetOpenFileNames(parent, folder, filter);
    return answer.isEmpty() ? QString() : answer.front();
}

QString ScriptedServices::GetExistingDirectory(QWidget*, const QString& title,
                                               const QString& folder, bool allowNewFolder)
{
    folderRequests.push_back({title, folder, {}, allowNewFolder});
    if (folderAnswers.empty()) {
        return {};
    }
    QString answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

int ScriptedServices::ExecDialog(QDialog& dialog)
{
    dialogs.push_back(dialog.metaObject()->className());
    return onDialog ? onDialog(dialog) : static_cast<int>(QDialog::Rejected);
}

QAction* ScriptedServices::ExecMenu(QMenu& menu, const QPoint&)
{
    return onMenu ? onMenu(menu) : nullptr;
}

bool ScriptedServices::OpenUrl(const QUrl& url)
{
    openedUrls.push_back(url);
    return true;
}

std::vector<std::string> ScriptedServices::Texts() const
{
    std::vector<std::string> texts;
    for (const Message& message : messages) {
        texts.push_back(message.text);
    }
    return texts;
}

}  // namespace CalvornTest
