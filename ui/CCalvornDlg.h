// The main window: a frameless, fixed-size dialog with a painted background, the picture
// buttons, the job list, the output folder, the progress line and bar, the round start button
// and the home-page link. It owns the job list and the name-mapping tables, runs batches on a
// worker thread and carries the one-file conversion of the command line.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/ConversionOptions.h"
#include "app/MessageSink.h"
#include "app/NameTables.h"
#include "torvex/Result.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QTreeView;

namespace Calvorn {

class BatchWorker;
class CCmdBatchInfo;
class CHoverButton;
class CHyperLink;
class JobListModel;
class UiServices;
struct PathSettings;

class CCalvornDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 616;
    static constexpr int kHeight = 517;
    // Pressing and dragging in this band at the top moves the window.
    static constexpr int kDragBandHeight = 49;

    static constexpr const char* kTitle = "Calvorn文件转换器";
    static constexpr const char* kInitialProgressLine = "转换进度:[0/0] 当前共有0个待转换文件";
    static constexpr const char* kAddFilesFilter =
        "所有支持Torvex文件类型 (*.mpj;*.wt;*.wl;*.wp;*.wb)|*.mpj;*.wt;*.wl;*.wp;*.wb|"
        "Torvex工程文件 (*.mpj)|*.mpj|"
        "Torvex点线面文件(*.wt;*.wl;*.wp)|*.wt;*.wl;*.wp|"
        "点文件 (*.wt)|*.wt|线文件 (*.wl)|*.wl|面文件 (*.wp)|*.wp|表格文件 (*.wb)|*.wb||";
    static constexpr const char* kAddFolderTitle = "选择待转换文件目录:";
    static constexpr const char* kOutputFolderTitle = "选择文件输出目录:";
    static constexpr const char* kAboutMenuText = "关于 Calvorn(&A)...";
    static constexpr const char* kStartToolTip = "开始转换";
    static constexpr const char* kStopToolTip = "当前文件转换完成后停止转换";
    static constexpr const char* kHomeLinkText = "访问Calvorn官方网站，下载最新版软件！";
    // Where no home page is configured, the link's place opens the conversion log's folder.
    static constexpr const char* kLogFolderLinkText = "打开日志文件夹";
    static constexpr const char* kViewLogText = "查看日志";

    // The options and settings are the program run's; the dialog reads and changes them in
    // place and they must outlive it.
    CCalvornDlg(ConversionOptions& options, PathSettings& settings, UiServices& services,
                QWidget* parent = nullptr);
    ~CCalvornDlg() override;

    // The help page opened by the help button.
    void SetHelpFile(const std::filesystem::path& helpFile);
    // The product's home page; empty turns the link into one to the conversion log's folder.
    void SetHomePage(const QUrl& address);

    // Adds one file to the top of the job list when its extension names a kind; refreshes
    // the progress line in any case. Returns the kind, or nothing when nothing was added.
    std::optional<Torvex::FileKind> AddFileToList(const std::filesystem::path& path);

    // The one-file conversion of the command line, with this dialog's options and tables and
    // message boxes for its messages. Returns what ConvertFromCmdLine returns.
    int ConvertFromCmdLine(const CCmdBatchInfo& info);

    bool IsRunning() const { return m_running; }

    JobListModel& Model() { return *m_model; }
    const NameTables& Tables() const { return m_tables; }

public slots:
    void OnStartConvert();
    void OnAddFiles();
    void OnAddFolder();
    void OnRemove();
    void OnClear();
    void OnBrowseOutput();
    void OnHelp();
    void OnAbout();
    void OnSettings();
    void OnStop();
    // The log view of the selected row (the one with the focus among several).
    void OnViewLog();
    void reject() override;

signals:
    // A run has ended and its messages have been shown.
    void RunFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private slots:
    void OnRowStarting(int row);
    void OnListContextMenu(const QPoint& position);
    void UpdateViewLog();
    void OnWorkerMessage(const QString& text, const QString& caption, int icon);
    void OnRunFinished();

private:
    struct PendingMessage {
        QString text;
        QString caption;
        MessageIcon icon;
    };

    CHoverButton* AddPictureButton(const char* id, const QString& frames, const QRect& geometry,
                                   const QString& toolTip);
    void CreateControls();
    void SetRunning(bool running);
    // Opens `url` with the desktop's program for it; says so when that fails or, for a local
    // file or folder, when it is not there.
    bool OpenInDesktop(const QUrl& url, const QString& what);
    // The row whose log the log view shows, or -1.
    int LogRow() const;
    std::vector<std::size_t> SelectedRows() const;

    ConversionOptions& m_options;
    PathSettings& m_settings;
    UiServices& m_services;
    NameTables m_tables;
    std::filesystem::path m_helpFile;
    QUrl m_homePage;

    JobListModel* m_model = nullptr;
    BatchWorker* m_worker = nullptr;
    bool m_running = false;
    bool m_closeAfterRun = false;
    std::vector<PendingMessage> m_pendingMessages;

    QPixmap m_background;
    bool m_dragging = false;
    QPoint m_dragOffset;

    CHoverButton* m_start = nullptr;
    CHoverButton* m_addFolder = nullptr;
    CHoverButton* m_addFiles = nullptr;
    CHoverButton* m_remove = nullptr;
    CHoverButton* m_clear = nullptr;
    CHoverButton* m_settingsButton = nullptr;
    CHoverButton* m_browseOutput = nullptr;
    CHoverButton* m_help = nullptr;
    CHoverButton* m_about = nullptr;
    CHoverButton* m_viewLog = nullptr;
    CHoverButton* m_exit = nullptr;
    CHyperLink* m_homeLink = nullptr;
    QTreeView* m_list = nullptr;
    QLineEdit* m_outputFolder = nullptr;
    QLabel* m_progressLine = nullptr;
    QProgressBar* m_progressBar = nullptr;
};

}  // namespace Calvorn
