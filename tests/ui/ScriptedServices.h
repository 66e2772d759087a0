// The desktop services with every answer given in advance and every request recorded, so a
// test drives the windows without a dialog ever waiting for a user.
#pragma once

#include <QDialog>
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

    void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                     Calvorn::MessageIcon icon) override;
    QStringList GetOpenFileNames(QWidget* parent, const QString& folder,
                                 const QString& filter) override;
    QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter) override;
    QString GetExistingDirectory(QWidget* parent, const QString& title, const QString& folder,
                                 bool allowNewFolder) override;
    int ExecDialog(QDialog& dialog) override;
    QAction* ExecMenu(QMenu& menu, const QPoint& globalPos) override;
    bool OpenUrl(const QUrl& url) override;

    // Texts of the messages shown so far.
    std::vector<std::string> Texts() const;

    std::deque<QStringList> fileAnswers;  // one per file dialog; none left = cancelled
    std::deque<QString> folderAnswers;    // one per folder browser; none left = cancelled
    // Runs each dialog instead of its modal loop; without it every dialog is cancelled.
    std::function<int(QDialog&)> onDialog;
    // Picks a menu entry; without it every menu is dismissed.
    std::function<QAction*(QMenu&)> onMenu;

    std::vector<Message> messages;
    std::vector<Request> fileRequests;
    std::vector<Request> folderRequests;
    std::vector<std::string> dialogs;  // class names of the dialogs run
    std::vector<QUrl> openedUrls;
};

}  // namespace CalvornTest
