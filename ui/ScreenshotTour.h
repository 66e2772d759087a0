// The screenshot mode of the desktop program (CALVORN_SCREENSHOT=folder): instead of waiting
// for a user, it adds the sources named by CALVORN_SCREENSHOT_SOURCES (":"-separated files,
// projects and folders) through the window's own buttons, converts them into
// CALVORN_SCREENSHOT_OUTPUT, and saves PNG pictures of the main window after the run, the
// summary, the log view of the first failed row, the settings dialog and the about box into
// the folder, each name followed by
// CALVORN_SCREENSHOT_SUFFIX (for example "@2x"). Then the window closes as after Exit.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "ui/UiServices.h"

class QPixmap;
class QWidget;

namespace Calvorn {

class CCalvornDlg;

class ScreenshotTour : public UiServices {
public:
    ScreenshotTour(QString folder, QStringList sources, QString outputFolder, QString suffix);

    // The tour the environment asks for, or null when CALVORN_SCREENSHOT is not set.
    static std::unique_ptr<ScreenshotTour> FromEnvironment();

    // True when every picture was saved.
    bool Succeeded() const { return m_succeeded; }

    void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                     MessageIcon icon) override;
    QStringList GetOpenFileNames(QWidget* parent, const QString& folder,
                                 const QString& filter) override;
    QString GetExistingDirectory(QWidget* parent, const QString& title, const QString& folder,
                                 bool allowNewFolder) override;
    int ExecDialog(QDialog& dialog) override;
    QAction* ExecMenu(QMenu& menu, const QPoint& globalPos) override;
    bool OpenUrl(const QUrl& url) override;

private:
    void RunTour(CCalvornDlg& window);
    void Save(QWidget& widget, const QString& name);
    void Save(const QPixmap& picture, const QString& name);

    QString m_folder;
    QStringList m_sources;
    QString m_outputFolder;
    QString m_suffix;
    QStringList m_answerFiles;
    QString m_answerFolder;
    bool m_succeeded = true;
};

}  // namespace Calvorn
