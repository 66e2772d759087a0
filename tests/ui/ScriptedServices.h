// The desktop services with every answer given in advance and every request recorded, so a
// test drives the windows without a dialog ever waiting for a user.
#pragma once

#include <QDialog>
#include <QMenu>
#include <QUrl>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/UiServices.h"

namespace CalvornTest {

class ScriptedServices : public Calvorn::UiServices {
public:
    struct Message {
        std::string text;
        std::string caption;
        Calvorn::MessageIcon icon;
    };
    struct Request {
        QString title;  // folder browsers only
        QString folder;
        QString filter;  // file dialogs only
        bool allowNewFolder = false;
    };

    void ShowMessage(QWidget*, const QString& text, const QString& caption,
                     Calvorn::MessageIcon icon) override
    {
        messages.push_back({text.toStdString(), caption.toStdString(), icon});
    }
    QStringList GetOpenFileNames(QWidget*, const QString& folder, const QString& filter) override
    {
        fileRequests.push_back({{}, folder, filter, false});
        return Next(fileAnswers);
    }
    QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter) override
    {
        return GetOpenFileNames(parent, folder, filter).value(0);
    }
    QString GetExistingDirectory(QWidget*, const QString& title, const QString& folder,
                                 bool allowNewFolder) override
    {
        folderRequests.push_back({title, folder, {}, allowNewFolder});
        return Next(folderAnswers);
    }
    int ExecDialog(QDialog& dialog) override
    {
        dialogs.push_back(dialog.metaObject()->className());
        return onDialog ? onDialog(dialog) : static_cast<int>(QDialog::Rejected);
    }
    QAction* ExecMenu(QMenu& menu, const QPoint&) override
    {
        return onMenu ? onMenu(menu) : nullptr;
    }
    bool OpenUrl(const QUrl& url) override
    {
        openedUrls.push_back(url);
        return desktopOpens;
    }

    // Texts of the messages shown so far.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Message& message : messages) {
            texts.push_back(message.text);
        }
        return texts;
    }

    std::deque<QStringList> fileAnswers;  // one per file dialog; none left = cancelled
    std::deque<QString> folderAnswers;    // one per folder browser; none left = cancelled
    // Runs each dialog instead of its modal loop; without it every dialog is cancelled.
    std::function<int(QDialog&)> onDialog;
    // Picks a menu entry; without it every menu is dismissed.
    std::function<QAction*(QMenu&)> onMenu;
    // Whether the desktop has a program for what OpenUrl is given.
    bool desktopOpens = true;

    std::vector<Message> messages;
    std::vector<Request> fileRequests;
    std::vector<Request> folderRequests;
    std::vector<std::string> dialogs;  // class names of the dialogs run
    std::vector<QUrl> openedUrls;

private:
    template <typename T>
    static T Next(std::deque<T>& answers)
    {
        if (answers.empty()) {
            return {};
        }
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace CalvornTest
