// Everything the windows ask of the desktop outside themselves: message boxes, file and folder
// dialogs, modal runs of dialogs and menus, and opening addresses. The windows call these
// instead of Qt's static dialogs, so a test can answer them in advance and nothing blocks.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "app/MessageSink.h"

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace Calvorn {

class UiServices {
public:
    virtual ~UiServices() = default;

    // A modal message box with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                             MessageIcon icon);

    // File-open dialogs. `filter` is written as pairs "description|patterns|...", ending in
    // "||"; several patterns are separated by ";". Empty results mean cancelled.
    virtual QStringList GetOpenFileNames(QWidget* parent, const QString& folder,
                                         const QString& filter);
    virtual QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter);

    // The folder browser, opening at `folder`; empty when cancelled.
    virtual QString GetExistingDirectory(QWidget* parent, const QString& title,
                                         const QString& folder, bool allowNewFolder);

    // Runs `dialog` modally and returns its result.
    virtual int ExecDialog(QDialog& dialog);

    // Shows `menu` at `globalPos` and returns the chosen action, or null.
    virtual QAction* ExecMenu(QMenu& menu, const QPoint& globalPos);

    // Opens a web address or a local file with the desktop's program for it.
    virtual bool OpenUrl(const QUrl& url);

    // The name filters Qt's file dialogs take for a filter written as above: the descriptions
    // stay, the patterns in their brackets are separated by spaces.
    static QStringList QtNameFilters(const QString& filter);
};

}  // namespace Calvorn
