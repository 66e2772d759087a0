#include "ui/CCalvornDlg.h"

#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QTreeView>
#include <QWindow>
#include <system_error>

#include "app/CConvertLog.h"
#include "app/PathSettings.h"
#include "batch/BatchRun.h"
#include "batch/OneFileConversion.h"
#include "convert/ConversionEngine.h"
#include "ui/Artwork.h"
#include "ui/BatchWorker.h"
#include "ui/CAboutDlg.h"
#include "ui/CHoverButton.h"
#include "ui/CHyperLink.h"
#include "ui/CLogDlg.h"
#include "ui/COptionDlg.h"
#include "ui/CenteredIconDelegate.h"
#include "ui/ControlIds.h"
#include "ui/DialogMessageSink.h"
#include "ui/JobListModel.h"
#include "ui/QtPath.h"
#include "ui/UiServices.h"

namespace Calvorn {

namespace {

constexpr const char* kStartFrames = ":/calvorn/buttons/start.svg";
constexpr const char* kStopFrames = ":/calvorn/buttons/stop.svg";

// The add-files dialog opens where the user last was; Windows starts on drive C.
QString AddFilesFolder()
{
#ifdef _WIN32
    return QStringLiteral("C:");
#else
    return {};
#endif
}

constexpr const char* kListStyle =
    "QTreeView { background: #FFFFFF; border: 1px solid #AAB6C2; color: #2B3A4A;"
    "  selection-background-color: #D7E7F5; selection-color: #2B3A4A; outline: 0; }"
    "QTreeView::item { height: 21px; border-bottom: 1px solid #EDF1F5; }"
    "QTreeView::item:selected { background: #D7E7F5; color: #2B3A4A; }"
    "QTreeView::item:hover:!selected { background: #F2F6FA; }"
    "QHeaderView::section { background: #FFFFFF; color: #2B3A4A; border: none;"
    "  border-bottom: 1px solid #DCE3EA; padding: 3px 6px; }";

constexpr const char* kProgressStyle =
    "QProgressBar { background: rgb(232, 232, 232); border: none; border-radius: 2px; }"
    "QProgressBar::chunk { background: #1B75BB; border-radius: 2px; }";

}  // namespace

CCalvornDlg::CCalvornDlg(ConversionOptions& options, PathSettings& settings, UiServices& services,
                         QWidget* parent)
    : QDialog(parent), m_options(options), m_settings(settings), m_services(services)
{
    EnsureArtwork();
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(AppIcon());
    setFixedSize(kWidth, kHeight);
    setFont(UiFont(12));
    setStyleSheet(WindowStyleSheet());
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, kText);
    setPalette(palette);

    m_model = new JobListModel(this);
    m_worker = new BatchWorker(m_model->Jobs(), m_tables, this);
    CreateControls();

    connect(m_model, &JobListModel::StatusLine, m_progressLine, &QLabel::setText);
    connect(m_worker, &BatchWorker::StatusLine, m_progressLine, &QLabel::setText);
    connect(m_worker, &BatchWorker::ProgressChanged, m_progressBar, &QProgressBar::setValue);
    connect(m_worker, &BatchWorker::RowStarting, this, &CCalvornDlg::OnRowStarting);
    connect(m_worker, &BatchWorker::Message, this, &CCalvornDlg::OnWorkerMessage);
    connect(m_worker, &BatchWorker::RunFinished, this, &CCalvornDlg::OnRunFinished);

    m_outputFolder->setText(ToQString(m_settings.WorkPath));
    m_outputFolder->setCursorPosition(0);
    SetHomePage(QUrl());
    m_list->setFocus();
}

CCalvornDlg::~CCalvornDlg()
{
    // The run uses the tables and the job list, which go before the child objects do.
    m_worker->RequestStop();
    m_worker->Wait();
}

CHoverButton* CCalvornDlg::AddPictureButton(const char* id, const QString& frames,
                                            const QRect& geometry, const QString& toolTip)
{
    auto* button = new CHoverButton(this);
    button->setObjectName(id);
    button->LoadFrames(frames);
    button->setGeometry(geometry);
    button->setToolTip(toolTip);
    return button;
}

void CCalvornDlg::CreateControls()
{
    auto* selectLabel = new QLabel(QStringLiteral("选择文件:"), this);
    selectLabel->setObjectName(ControlId::kSelectFilesLabel);
    selectLabel->setGeometry(35, 73, 70, 18);

    m_addFolder = AddPictureButton(ControlId::kAddFolder, ":/calvorn/buttons/add-folder.svg",
                                   QRect(120, 64, 54, 35), QStringLiteral("选择待转换文件目录"));
    m_addFiles = AddPictureButton(ControlId::kAddFiles, ":/calvorn/buttons/add-files.svg",
                                  QRect(177, 64, 54, 35), QStringLiteral("添加待转换文件"));
    m_remove = AddPictureButton(ControlId::kRemove, ":/calvorn/buttons/remove.svg",
                                QRect(234, 64, 54, 35), QStringLiteral("移除列表中当前选中文件"));
    m_clear = AddPictureButton(ControlId::kClear, ":/calvorn/buttons/clear.svg",
                               QRect(291, 64, 54, 35), QStringLiteral("清除列表中所有文件"));
    m_settingsButton = AddPictureButton(ControlId::kSettings, ":/calvorn/buttons/settings.svg",
                                        QRect(348, 64, 54, 35), QStringLiteral("系统设置"));
    m_help = AddPictureButton(ControlId::kHelp, ":/calvorn/buttons/help.svg",
                              QRect(421, 64, 54, 35), QStringLiteral("帮助"));
    m_viewLog = AddPictureButton(ControlId::kLogView, ":/calvorn/buttons/log.svg",
                                 QRect(478, 64, 54, 35), QString::fromUtf8(kViewLogText));
    m_about = AddPictureButton(ControlId::kAbout, ":/calvorn/buttons/about.svg",
                               QRect(535, 64, 54, 35), QStringLiteral("关于"));

    m_list = new QTreeView(this);
    m_list->setObjectName(ControlId::kJobList);
    m_list->setGeometry(21, 109, 574, 224);
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAllColumnsShowFocus(true);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setIconSize(QSize(16, 16));
    m_list->setItemDelegateForColumn(1, new CenteredIconDelegate(m_list));
    m_list->setStyleSheet(QString::fromUtf8(kListStyle));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The path column takes what the status column leaves: at least its 510 pixels.
    QHeaderView* header = m_list->header();
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(36);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->resizeSection(1, 52);
    m_list->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);

    auto* outputLabel = new QLabel(QStringLiteral("输出路径:"), this);
    outputLabel->setObjectName(ControlId::kOutputLabel);
    outputLabel->setGeometry(30, 357, 58, 18);
    m_outputFolder = new QLineEdit(this);
    m_outputFolder->setObjectName(ControlId::kOutputFolder);
    m_outputFolder->setGeometry(89, 355, 451, 23);
    m_browseOutput =
        AddPictureButton(ControlId::kBrowseOutput, ":/calvorn/buttons/output-folder.svg",
                         QRect(545, 350, 40, 32), QStringLiteral("选择输出路径"));

    m_progressLine = new QLabel(QString::fromUtf8(kInitialProgressLine), this);
    m_progressLine->setObjectName(ControlId::kProgressLine);
    m_progressLine->setGeometry(30, 408, 448, 18);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(ControlId::kProgressBar);
    m_progressBar->setGeometry(30, 436, 448, 17);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setStyleSheet(QString::fromUtf8(kProgressStyle));

    m_start = AddPictureButton(ControlId::kStart, kStartFrames, QRect(520, 412, 90, 90),
                               QString::fromUtf8(kStartToolTip));
    m_start->setDefault(true);

    m_homeLink = new CHyperLink(this);
    m_homeLink->setObjectName(ControlId::kHomeLink);
    m_homeLink->setGeometry(194, 487, 287, 21);
    m_homeLink->SetLauncher(
        [this](const QUrl& url) { return OpenInDesktop(url, m_homeLink->text()); });

    m_exit = AddPictureButton(ControlId::kExit, ":/calvorn/buttons/exit.svg",
                              QRect(575, 12, 25, 25), QStringLiteral("退出"));

    connect(m_start, &QPushButton::clicked, this, &CCalvornDlg::OnStartConvert);
    connect(m_browseOutput, &QPushButton::clicked, this, &CCalvornDlg::OnBrowseOutput);
    connect(m_addFiles, &QPushButton::clicked, this, &CCalvornDlg::OnAddFiles);
    connect(m_exit, &QPushButton::clicked, this, &CCalvornDlg::reject);
    connect(m_about, &QPushButton::clicked, this, &CCalvornDlg::OnAbout);
    connect(m_remove, &QPushButton::clicked, this, &CCalvornDlg::OnRemove);
    connect(m_help, &QPushButton::clicked, this, &CCalvornDlg::OnHelp);
    connect(m_clear, &QPushButton::clicked, this, &CCalvornDlg::OnClear);
    connect(m_settingsButton, &QPushButton::clicked, this, &CCalvornDlg::OnSettings);
    connect(m_addFolder, &QPushButton::clicked, this, &CCalvornDlg::OnAddFolder);
    connect(m_viewLog, &QPushButton::clicked, this, &CCalvornDlg::OnViewLog);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CCalvornDlg::OnListContextMenu);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CCalvornDlg::UpdateViewLog);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CCalvornDlg::UpdateViewLog);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &CCalvornDlg::UpdateViewLog);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &CCalvornDlg::UpdateViewLog);
    UpdateViewLog();
}

void CCalvornDlg::SetHelpFile(const std::filesystem::path& helpFile)
{
    m_helpFile = helpFile;
}

void CCalvornDlg::SetHomePage(const QUrl& address)
{
    m_homePage = address;
    if (!address.isEmpty()) {
        m_homeLink->SetLink(QString::fromUtf8(kHomeLinkText), address);
        return;
    }
    const std::filesystem::path log = CConvertLog::Get().Path();
    m_homeLink->SetLink(QString::fromUtf8(kLogFolderLinkText),
                        QUrl::fromLocalFile(ToQString(log.parent_path())));
}

bool CCalvornDlg::OpenInDesktop(const QUrl& url, const QString& what)
{
    const QString caption = QString::fromStdString(ApplicationName());
    std::error_code error;
    if (url.isLocalFile() && !std::filesystem::exists(ToPath(url.toLocalFile()), error)) {
        m_services.ShowMessage(this, QStringLiteral("%1：找不到 %2").arg(what, url.toLocalFile()),
                               caption, MessageIcon::Exclamation);
        return false;
    }
    if (!m_services.OpenUrl(url)) {
        const QString address = url.isLocalFile() ? url.toLocalFile() : url.toString();
        m_services.ShowMessage(
            this,
            QStringLiteral("%1：无法打开 %2\n桌面没有设置打开它的程序，请手动打开。")
                .arg(what, address),
            caption, MessageIcon::Exclamation);
        return false;
    }
    return true;
}

std::optional<Torvex::FileKind> CCalvornDlg::AddFileToList(const std::filesystem::path& path)
{
    return m_model->Jobs().AddFileToList(path);
}

int CCalvornDlg::ConvertFromCmdLine(const CCmdBatchInfo& info)
{
    ConversionEngine engine(m_options, m_tables, ProgramContext());
    DialogMessageSink messages(m_services, nullptr);
    return Calvorn::ConvertFromCmdLine(info, engine, messages);
}

void CCalvornDlg::OnStartConvert()
{
    if (m_running) {
        OnStop();
        return;
    }
    const std::filesystem::path outputFolder = ToPath(m_outputFolder->text());
    // Checked here as well as in the run, so a refused start never flickers the controls.
    DialogMessageSink messages(m_services, this);
    if (BatchRun::CheckPreconditions(m_model->Jobs(), outputFolder, messages) !=
        BatchPrecondition::Met) {
        return;
    }
    SetRunning(true);
    m_worker->Start(m_options, m_settings, outputFolder);
}

void CCalvornDlg::OnStop()
{
    if (!m_running) {
        return;
    }
    m_worker->RequestStop();
    // The greyed stop button shows that the stop is on its way.
    m_start->setEnabled(false);
}

void CCalvornDlg::OnAddFiles()
{
    const QStringList files =
        m_services.GetOpenFileNames(this, AddFilesFolder(), QString::fromUtf8(kAddFilesFilter));
    for (const QString& file : files) {
        m_model->Jobs().AddPath(ToPath(file));
    }
}

void CCalvornDlg::OnAddFolder()
{
    const QString folder = m_services.GetExistingDirectory(this, QString::fromUtf8(kAddFolderTitle),
                                                           ToQString(m_settings.WorkPath), false);
    if (!folder.isEmpty()) {
        m_model->Jobs().ScanFolder(ToPath(folder));
    }
}

void CCalvornDlg::OnRemove()
{
    if (m_running) {
        return;
    }
    m_model->Jobs().RemoveRows(SelectedRows());
}

void CCalvornDlg::OnClear()
{
    if (m_running) {
        return;
    }
    m_model->Jobs().Clear();
    m_progressBar->setValue(0);
}

void CCalvornDlg::OnBrowseOutput()
{
    const QString folder = m_services.GetExistingDirectory(
        this, QString::fromUtf8(kOutputFolderTitle), m_outputFolder->text(), true);
    if (!folder.isEmpty()) {
        m_outputFolder->setText(QDir::toNativeSeparators(folder));
        m_outputFolder->setCursorPosition(0);
    }
}

void CCalvornDlg::OnHelp()
{
    OpenInDesktop(QUrl::fromLocalFile(ToQString(m_helpFile)), QStringLiteral("帮助"));
}

int CCalvornDlg::LogRow() const
{
    const QModelIndex current = m_list->selectionModel()->currentIndex();
    if (current.isValid() && m_list->selectionModel()->isRowSelected(current.row())) {
        return current.row();
    }
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void CCalvornDlg::UpdateViewLog()
{
    m_viewLog->setEnabled(m_model->HasLog(LogRow()));
}

void CCalvornDlg::OnViewLog()
{
    const int row = LogRow();
    if (!m_model->HasLog(row)) {
        return;
    }
    CLogDlg view(m_model->index(row, 0).data(Qt::DisplayRole).toString(), m_model->ResultText(row),
                 m_model->LogText(row), this);
    m_services.ExecDialog(view);
}

void CCalvornDlg::OnListContextMenu(const QPoint& position)
{
    const QModelIndex index = m_list->indexAt(position);
    if (!index.isValid()) {
        return;
    }
    if (!m_list->selectionModel()->isRowSelected(index.row())) {
        m_list->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    QMenu menu(this);
    QAction* viewLog = menu.addAction(QString::fromUtf8(kViewLogText));
    viewLog->setEnabled(m_model->HasLog(index.row()));
    if (m_services.ExecMenu(menu, m_list->viewport()->mapToGlobal(position)) == viewLog) {
        OnViewLog();
    }
}

void CCalvornDlg::OnAbout()
{
    CAboutDlg about(this);
    m_services.ExecDialog(about);
}

void CCalvornDlg::OnSettings()
{
    if (m_running) {
        return;
    }
    COptionDlg settings(m_options, m_settings, m_services, this);
    m_services.ExecDialog(settings);
}

void CCalvornDlg::reject()
{
    if (m_running) {
        // Closing waits for the file being converted; the window closes when the run ends.
        m_closeAfterRun = true;
        OnStop();
        return;
    }
    QDialog::reject();
}

void CCalvornDlg::SetRunning(bool running)
{
    m_running = running;
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_addFolder, m_addFiles, m_remove, m_clear, m_settingsButton, m_browseOutput}) {
        control->setEnabled(!running);
    }
    m_outputFolder->setReadOnly(running);
    m_start->LoadFrames(running ? kStopFrames : kStartFrames);
    m_start->setToolTip(QString::fromUtf8(running ? kStopToolTip : kStartToolTip));
    m_start->setEnabled(true);
}

std::vector<std::size_t> CCalvornDlg::SelectedRows() const
{
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    return rows;
}

void CCalvornDlg::OnRowStarting(int row)
{
    m_model->SetBusyRow(row);
    m_list->scrollTo(m_model->index(row, 0));
}

void CCalvornDlg::OnWorkerMessage(const QString& text, const QString& caption, int icon)
{
    m_pendingMessages.push_back({text, caption, static_cast<MessageIcon>(icon)});
}

void CCalvornDlg::OnRunFinished()
{
    m_worker->Wait();
    m_model->SetBusyRow(-1);
    SetRunning(false);
    std::vector<PendingMessage> messages;
    messages.swap(m_pendingMessages);
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        emit RunFinished();
        QDialog::reject();
        return;
    }
    for (const PendingMessage& message : messages) {
        m_services.ShowMessage(this, message.text, message.caption, message.icon);
    }
    emit RunFinished();
}

void CCalvornDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    if (m_background.isNull() || m_background.devicePixelRatio() != ratio) {
        m_background = RenderSvg(":/calvorn/background.svg", QSize(kWidth, kHeight), ratio);
    }
    painter.drawPixmap(0, 0, m_background);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(UiFont(15, true));
    painter.setPen(Qt::white);
    painter.drawText(QRect(48, 0, 400, 47), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(kTitle));
}

void CCalvornDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
        case Qt::Key_Escape:
            // Escape never closes the window; during a run it stops after the current file.
            OnStop();
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_running) {
                event->accept();  // a second Enter must not stop the run it started
                return;
            }
            break;
        default:
            break;
    }
    QDialog::keyPressEvent(event);
}

bool CCalvornDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The Delete key in the list removes the selected rows, like the remove button.
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        OnRemove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CCalvornDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < kDragBandHeight) {
        // The window manager moves the window where it can; elsewhere the window follows the
        // mouse itself.
        if (windowHandle() == nullptr || !windowHandle()->startSystemMove()) {
            m_dragging = true;
            m_dragOffset = event->globalPosition().toPoint() - pos();
        }
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CCalvornDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CCalvornDlg::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}

void CCalvornDlg::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->pos().y() >= kDragBandHeight) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromUtf8(kAboutMenuText));
    if (m_services.ExecMenu(menu, event->globalPos()) == about) {
        OnAbout();
    }
}

}  // namespace Calvorn
