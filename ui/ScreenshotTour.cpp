#include "ui/ScreenshotTour.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QTreeView>
#include <QWidget>
#include <cstdio>
#include <utility>

#include "ui/Artwork.h"
#include "ui/CAboutDlg.h"
#include "ui/CCalvornDlg.h"
#include "ui/CLogDlg.h"
#include "ui/COptionDlg.h"
#include "ui/ControlIds.h"
#include "ui/JobListModel.h"

namespace Calvorn {

namespace {

// Lets the window paint and the queued work of a run arrive.
void Settle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void Click(QWidget& window, const char* id)
{
    if (auto* button = window.findChild<QAbstractButton*>(id)) {
        button->click();
    }
}

}  // namespace

ScreenshotTour::ScreenshotTour(QString folder, QStringList sources, QString outputFolder,
                               QString suffix)
    : m_folder(std::move(folder)),
      m_sources(std::move(sources)),
      m_outputFolder(std::move(outputFolder)),
      m_suffix(std::move(suffix))
{
}

std::unique_ptr<ScreenshotTour> ScreenshotTour::FromEnvironment()
{
    const QString folder = qEnvironmentVariable("CALVORN_SCREENSHOT");
    if (folder.isEmpty()) {
        return nullptr;
    }
    return std::make_unique<ScreenshotTour>(
        folder, qEnvironmentVariable("CALVORN_SCREENSHOT_SOURCES").split(':', Qt::SkipEmptyParts),
        qEnvironmentVariable("CALVORN_SCREENSHOT_OUTPUT"),
        qEnvironmentVariable("CALVORN_SCREENSHOT_SUFFIX"));
}

void ScreenshotTour::ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                                 MessageIcon icon)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setIcon(icon == MessageIcon::Information   ? QMessageBox::Information
                : icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                   : QMessageBox::NoIcon);
    box.show();
    Settle(100);
    const QPixmap content = box.grab();
    box.close();
    if (parent == nullptr) {
        Save(content, "summary");
        return;
    }
    // The box over its window, in a plain frame of our own: the screenshot's X server runs
    // no window manager to draw one.
    QPixmap picture = parent->window()->grab();
    const qreal ratio = picture.devicePixelRatio();
    const QSize logical = content.size() / content.devicePixelRatio();
    constexpr int kCaption = 28;
    const QRect frame(QPoint(0, 0), QSize(logical.width() + 2, logical.height() + kCaption + 2));
    const QPoint origin((picture.width() / ratio - frame.width()) / 2,
                        (picture.height() / ratio - frame.height()) / 2);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(origin);
    painter.fillRect(frame.adjusted(3, 3, 3, 3), QColor(0, 0, 0, 40));
    painter.fillRect(frame, QColor(0xF2, 0xF6, 0xFA));
    painter.setPen(kMutedText);
    painter.drawRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(kText);
    painter.setFont(UiFont(12, true));
    painter.drawText(QRect(10, 1, frame.width() - 20, kCaption), Qt::AlignVCenter | Qt::AlignLeft,
                     caption);
    painter.drawPixmap(1, kCaption + 1, content);
    painter.end();
    Save(picture, "summary");
}

QStringList ScreenshotTour::GetOpenFileNames(QWidget*, const QString&, const QString&)
{
    return std::exchange(m_answerFiles, {});
}

QString ScreenshotTour::GetExistingDirectory(QWidget*, const QString&, const QString&, bool)
{
    return std::exchange(m_answerFolder, {});
}

int ScreenshotTour::ExecDialog(QDialog& dialog)
{
    if (auto* window = qobject_cast<CCalvornDlg*>(&dialog)) {
        RunTour(*window);
        return QDialog::Rejected;
    }
    dialog.show();
    Settle(200);
    if (qobject_cast<COptionDlg*>(&dialog) != nullptr) {
        Save(dialog, "settings");
    } else if (qobject_cast<CAboutDlg*>(&dialog) != nullptr) {
        Save(dialog, "about");
    } else if (qobject_cast<CLogDlg*>(&dialog) != nullptr) {
        Save(dialog, "log");
    }
    dialog.reject();
    return QDialog::Rejected;
}

QAction* ScreenshotTour::ExecMenu(QMenu&, const QPoint&)
{
    return nullptr;
}

bool ScreenshotTour::OpenUrl(const QUrl&)
{
    return true;  // no browser in a screenshot run
}

void ScreenshotTour::RunTour(CCalvornDlg& window)
{
    window.show();
    Settle(300);
    if (auto* output = window.findChild<QLineEdit*>(ControlId::kOutputFolder)) {
        output->setText(QDir::toNativeSeparators(m_outputFolder));
    }
    for (const QString& source : m_sources) {
        if (QFileInfo(source).isDir()) {
            m_answerFolder = source;
            Click(window, ControlId::kAddFolder);
        } else {
            m_answerFiles = QStringList{source};
            Click(window, ControlId::kAddFiles);
        }
    }
    QEventLoop finished;
    QObject::connect(&window, &CCalvornDlg::RunFinished, &finished, &QEventLoop::quit);
    Click(window, ControlId::kStart);
    if (window.IsRunning()) {
        QTimer::singleShot(300000, &finished, &QEventLoop::quit);
        finished.exec();
    }
    // The first failed row selected (else the first row), and its log view.
    JobListModel& model = window.Model();
    int shown = 0;
    for (int row = model.rowCount() - 1; row >= 0; --row) {
        if (model.StatusImageOf(row) == kStatusFailed) {
            shown = row;
        }
    }
    if (auto* list = window.findChild<QTreeView*>(ControlId::kJobList)) {
        list->selectionModel()->setCurrentIndex(
            model.index(shown, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    Settle(300);
    Save(window, "main");
    Click(window, ControlId::kLogView);
    Click(window, ControlId::kSettings);
    Click(window, ControlId::kAbout);
    window.hide();
}

void ScreenshotTour::Save(QWidget& widget, const QString& name)
{
    Save(widget.grab(), name);
}

void ScreenshotTour::Save(const QPixmap& picture, const QString& name)
{
    QDir().mkpath(m_folder);
    const QString path = QDir(m_folder).filePath(name + m_suffix + ".png");
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        m_succeeded = false;
        return;
    }
    std::fprintf(stderr, "saved %s\n", qPrintable(path));
}

}  // namespace Calvorn
