// The main window driven as a user drives it: buttons, keys, the title band, and batch runs
// on the worker thread.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <semaphore>

#include "app/CConvertLog.h"
#include "app/PathSettings.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TorvexFiles.h"
#include "tests/ui/ScriptedServices.h"
#include "ui/BatchWorker.h"
#include "ui/CCalvornDlg.h"
#include "ui/CHoverButton.h"
#include "ui/CHyperLink.h"
#include "ui/ControlIds.h"
#include "ui/JobListModel.h"
#include "ui/QtLanguage.h"
#include "ui/QtPath.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;
using CalvornTest::MakeLineFile;

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest()
    {
        CConvertLog::Get().SetFile(dir / "CalvornExp.log");
        fs::create_directory(out);
        settings = PathSettings::Defaults(dir.Path());
        settings.WorkPath = out;
        window = std::make_unique<CCalvornDlg>(options, settings, services);
        window->show();
    }

    template <typename T = QWidget>
    T* Find(const char* id) const
    {
        T* child = window->findChild<T*>(id);
        EXPECT_NE(child, nullptr) << id;
        return child;
    }
    QString ProgressLine() const { return Find<QLabel>(ControlId::kProgressLine)->text(); }
    void Click(const char* id) const { Find<CHoverButton>(id)->click(); }
    // Per row, the kind's image or the status image (-1: none).
    std::vector<int> Images(bool status) const
    {
        std::vector<int> images;
        for (int row = 0; row < window->Model().rowCount(); ++row) {
            images.push_back(status ? window->Model().StatusImageOf(row)
                                    : window->Model().KindImage(row));
        }
        return images;
    }
    QVariant Row(int row) const { return window->Model().index(row, 0).data(); }

    CalvornTest::TempDir dir;
    fs::path out = dir / "out";
    ConversionOptions options;
    PathSettings settings;
    CalvornTest::ScriptedServices services;
    std::unique_ptr<CCalvornDlg> window;
};

TEST_F(MainWindowTest, StartsWithTheTemplatesTexts)
{
    EXPECT_EQ(window->windowTitle(), "Calvorn文件转换器");
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->size(), QSize(616, 517));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(ProgressLine(), "转换进度:[0/0] 当前共有0个待转换文件");
    EXPECT_EQ(Find<QLineEdit>(ControlId::kOutputFolder)->text(), ToQString(out));
    auto* bar = Find<QProgressBar>(ControlId::kProgressBar);
    EXPECT_EQ(QPoint(bar->minimum(), bar->maximum()), QPoint(0, 100));
    EXPECT_EQ(window->Model().headerData(0, Qt::Horizontal, Qt::DisplayRole), "文件路径");
    EXPECT_EQ(window->Model().headerData(1, Qt::Horizontal, Qt::DisplayRole), "状态");
    const std::pair<const char*, QString> buttons[] = {
        {ControlId::kExit, "退出"},
        {ControlId::kStart, "开始转换"},
        {ControlId::kAddFolder, "选择待转换文件目录"},
        {ControlId::kAddFiles, "添加待转换文件"},
        {ControlId::kRemove, "移除列表中当前选中文件"},
        {ControlId::kClear, "清除列表中所有文件"},
        {ControlId::kSettings, "系统设置"},
        {ControlId::kBrowseOutput, "选择输出路径"},
        {ControlId::kHelp, "帮助"},
        {ControlId::kAbout, "关于"},
    };
    for (const auto& [id, toolTip] : buttons) {
        auto* button = Find<CHoverButton>(id);
        EXPECT_EQ(button->toolTip(), toolTip) << id;
        EXPECT_TRUE(button->isVisible()) << id;
        EXPECT_EQ(button->isDefault(), std::string(id) == ControlId::kStart) << id;
    }

    // Without a home page the link's place opens the log's folder.
    auto* link = Find<CHyperLink>(ControlId::kHomeLink);
    EXPECT_TRUE(link->isVisible());
    EXPECT_EQ(link->text(), "打开日志文件夹");
    EXPECT_TRUE(link->Open());
    window->SetHomePage(QUrl("https://calvorn.example/"));
    EXPECT_TRUE(link->isVisible());
    EXPECT_EQ(link->text(), "访问Calvorn官方网站，下载最新版软件！");
    EXPECT_TRUE(link->Open());
    EXPECT_EQ(services.openedUrls, (std::vector<QUrl>{QUrl::fromLocalFile(ToQString(dir.Path())),
                                                      QUrl("https://calvorn.example/")}));
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(MainWindowTest, AddsFilesProjectsAndFolders)
{
    fs::create_directories(dir / "tree" / "sub");
    CalvornTest::WriteFile(dir / "tree" / "x.wb", "");
    CalvornTest::WriteFile(dir / "tree" / "z.doc", "");
    CalvornTest::WriteFile(dir / "tree" / "sub" / "y.WL", "");
    const fs::path project = CalvornTest::MakeProject(
        dir / "map.mpj", {"D:\\elsewhere\\a.wt", "/data/b.wp", "notes.doc"});

    // Cancelled dialogs change nothing.
    Click(ControlId::kAddFiles);
    Click(ControlId::kAddFolder);
    EXPECT_EQ(window->Model().rowCount(), 0);
    EXPECT_EQ(ProgressLine(), "转换进度:[0/0] 当前共有0个待转换文件");

    services.fileAnswers.push_back(
        {ToQString(dir / "roads.wl"), ToQString(dir / "readme.txt"), ToQString(project)});
    Click(ControlId::kAddFiles);
    ASSERT_EQ(services.fileRequests.size(), 2u);
    EXPECT_EQ(services.fileRequests[1].filter, CCalvornDlg::kAddFilesFilter);
    EXPECT_EQ(ProgressLine(), "转换进度：[0/3] 当前共有3个待转换文件！");
    // Newest first; a project's items lie in the project's own folder.
    EXPECT_EQ(Row(0), ToQString(dir / "b.wp"));
    EXPECT_EQ(Images(false), (std::vector<int>{4, 2, 3}));
    EXPECT_EQ(Images(true), (std::vector<int>{-1, -1, -1}));

    services.folderAnswers.push_back(ToQString(dir / "tree"));
    Click(ControlId::kAddFolder);
    ASSERT_EQ(services.folderRequests.size(), 2u);
    EXPECT_EQ(services.folderRequests[1].title, "选择待转换文件目录:");
    EXPECT_EQ(services.folderRequests[1].folder, ToQString(settings.WorkPath));
    EXPECT_EQ(ProgressLine(), "转换进度：[0/5] 当前共有5个待转换文件！");
}

TEST_F(MainWindowTest, RemovesSelectedRowsAndClears)
{
    for (const char* name : {"a.wl", "b.wl", "c.wl", "d.wl"}) {
        window->AddFileToList(dir / name);  // rows: d c b a
    }
    auto* list = Find<QTreeView>(ControlId::kJobList);
    auto select = [&](std::initializer_list<int> rows) {
        list->clearSelection();
        for (int row : rows) {
            list->selectionModel()->select(window->Model().index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    };
    select({0, 2});
    Click(ControlId::kRemove);
    EXPECT_EQ(window->Model().rowCount(), 2);
    EXPECT_EQ(Row(0), ToQString(dir / "c.wl"));

    select({1});
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(window->Model().rowCount(), 1);
    EXPECT_EQ(ProgressLine(), "转换进度：[0/1] 当前共有1个待转换文件！");

    Find<QProgressBar>(ControlId::kProgressBar)->setValue(60);
    Click(ControlId::kClear);
    EXPECT_EQ(window->Model().rowCount(), 0);
    EXPECT_EQ(ProgressLine(), "转换进度：[0/0] 当前共有0个待转换文件！");
    EXPECT_EQ(Find<QProgressBar>(ControlId::kProgressBar)->value(), 0);
}

// The run's own checks are the batch's; the window shows their warning and starts nothing.
TEST_F(MainWindowTest, WarnsWhenARunCannotStart)
{
    Click(ControlId::kStart);
    window->AddFileToList(MakeLineFile(dir / "a.wl", 1));
    Find<QLineEdit>(ControlId::kOutputFolder)->setText(ToQString(dir / "missing"));
    Click(ControlId::kStart);
    EXPECT_FALSE(window->IsRunning());
    EXPECT_EQ(services.Texts(),
              (std::vector<std::string>{"待转换文件集合不能为空!", "输出路径不存在!"}));
    for (const auto& message : services.messages) {
        EXPECT_EQ(message.caption, "警告");
        EXPECT_EQ(message.icon, MessageIcon::Exclamation);
    }
    EXPECT_EQ(Images(true), std::vector<int>{-1});
}

TEST_F(MainWindowTest, EnterRunsTheListAndMarksEveryRow)
{
    CalvornTest::WriteFile(dir / "broken.wl", "this is no Torvex file");
    window->AddFileToList(dir / "broken.wl");
    window->AddFileToList(MakeLineFile(dir / "empty.wl", 0));
    window->AddFileToList(MakeLineFile(dir / "good.wl", 3));
    window->AddFileToList(fs::path(CALVORN_BUILT_SAMPLES_DIR) / "parcels.wb");
    window->AddFileToList(dir / "deleted.wl");

    QTest::keyClick(Find<QTreeView>(ControlId::kJobList), Qt::Key_Return);
    EXPECT_TRUE(window->IsRunning());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsRunning(); }, 60000));

    EXPECT_EQ(Images(true), (std::vector<int>{10, 9, 9, 8, 10}));
    EXPECT_EQ(ProgressLine(), "转换进度：[5/5] 转换完成！");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "  转换完成。\n  共有1个空文件未被转换!\n  共有2个文件被正确转换!\n"
              "  共有2个文件转换失败!");
    EXPECT_EQ(services.messages[0].caption, "文件转换完成");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(fs::exists(out / "good.shp"));
    EXPECT_EQ(Find<QProgressBar>(ControlId::kProgressBar)->value(), 100);

    // A failed or empty row tells why in its tooltip, on either column; a converted row's
    // tooltip stays its path.
    const auto toolTip = [this](int row, int column) {
        return window->Model().index(row, column).data(Qt::ToolTipRole).toString();
    };
    const QString deleted = ToQString(dir / "deleted.wl").toHtmlEscaped();
    EXPECT_TRUE(toolTip(0, 1).contains("<b>转换失败：文件打开失败</b><br>开始转换【" + deleted))
        << toolTip(0, 1).toStdString();
    EXPECT_EQ(toolTip(0, 0), toolTip(0, 1));
    EXPECT_TRUE(toolTip(3, 0).contains("<b>空文件，未转换</b>"));
    EXPECT_EQ(toolTip(2, 0), ToQString(dir / "good.wl"));
    EXPECT_EQ(toolTip(2, 1), "转换成功");
    EXPECT_TRUE(Find(ControlId::kAddFiles)->isEnabled());
    EXPECT_EQ(Find<CHoverButton>(ControlId::kStart)->Frames(), ":/calvorn/buttons/start.svg");
}

TEST_F(MainWindowTest, EscapeStopAndExitEndARunAfterTheCurrentFile)
{
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(Find<QLineEdit>(ControlId::kOutputFolder), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible()) << "Escape never closes the window";
    auto* worker = window->findChild<BatchWorker*>();
    ASSERT_NE(worker, nullptr);
    auto* start = Find<CHoverButton>(ControlId::kStart);
    const std::function<void()> stops[] = {
        [&] { QTest::keyClick(window.get(), Qt::Key_Escape); },
        [&] { start->click(); },
        [&] { Click(ControlId::kExit); },
    };
    for (int stop = 0; stop < 3; ++stop) {
        const bool exits = stop == 2;
        services.messages.clear();
        window->Model().Jobs().Clear();
        for (const char* name : {"a.wl", "b.wl", "c.wl"}) {
            window->AddFileToList(MakeLineFile(dir / name, 2));
        }
        // The run waits at its first row until the test has acted.
        std::atomic<bool> reached{false};
        std::binary_semaphore proceed{0};
        const QMetaObject::Connection hold = QObject::connect(
            worker, &BatchWorker::RowStarting, worker,
            [&](int row) {
                reached = reached || row == 0;
                if (row == 0) {
                    proceed.acquire();
                }
            },
            Qt::DirectConnection);

        Click(ControlId::kStart);
        EXPECT_TRUE(QTest::qWaitFor([&] { return reached.load(); }, 10000));
        for (const char* id : {ControlId::kAddFiles, ControlId::kAddFolder, ControlId::kRemove,
                               ControlId::kClear, ControlId::kSettings, ControlId::kBrowseOutput}) {
            EXPECT_FALSE(Find(id)->isEnabled()) << id << " is disabled during a run";
        }
        EXPECT_EQ(start->Frames(), ":/calvorn/buttons/stop.svg");
        Find<QTreeView>(ControlId::kJobList)->selectAll();
        QTest::keyClick(Find<QTreeView>(ControlId::kJobList), Qt::Key_Delete);
        EXPECT_EQ(window->Model().rowCount(), 3) << "no row leaves the list during a run";
        QTest::keyClick(window.get(), Qt::Key_Return);
        EXPECT_FALSE(worker->StopRequested()) << "Enter does not stop the run it started";
        stops[stop]();
        EXPECT_TRUE(worker->StopRequested());
        EXPECT_FALSE(start->isEnabled());
        EXPECT_TRUE(window->isVisible()) << "the window waits for the file being converted";
        proceed.release();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsRunning(); }, 60000));
        QObject::disconnect(hold);

        EXPECT_EQ(Images(true), (std::vector<int>{9, -1, -1}));
        EXPECT_TRUE(start->isEnabled());
        EXPECT_EQ(window->isVisible(), !exits);
        EXPECT_EQ(services.Texts(),
                  exits ? std::vector<std::string>{}
                        : std::vector<std::string>{"  转换完成。\n  共有1个文件被正确转换!\n"
                                                   "  已停止，共有2个文件未转换!"});
        window->show();
    }
}

// The log view shows the selected row's log lines; the button beside the list's buttons and the
// row's context menu open it, for a row that has been converted.
TEST_F(MainWindowTest, LogViewOfTheSelectedRow)
{
    window->AddFileToList(dir / "deleted.wl");
    window->AddFileToList(MakeLineFile(dir / "good.wl", 1));
    auto* list = Find<QTreeView>(ControlId::kJobList);
    auto* viewLog = Find<CHoverButton>(ControlId::kLogView);
    EXPECT_EQ(viewLog->toolTip(), "查看日志");
    EXPECT_EQ(viewLog->geometry(), QRect(478, 64, 54, 35));
    list->selectionModel()->setCurrentIndex(
        window->Model().index(1, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_FALSE(viewLog->isEnabled()) << "no log before the first run";

    Click(ControlId::kStart);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsRunning(); }, 60000));
    EXPECT_TRUE(viewLog->isEnabled());
    struct Shown {
        QString file, result, text;
    };
    std::vector<Shown> shown;
    services.onDialog = [&](QDialog& dialog) {
        const auto text = [&](const char* id) {
            if (auto* label = dialog.findChild<QLabel*>(id)) {
                return label->text();
            }
            return dialog.findChild<QPlainTextEdit*>(id)->toPlainText();
        };
        shown.push_back(
            {text(ControlId::kLogFile), text(ControlId::kLogResult), text(ControlId::kLogText)});
        return static_cast<int>(QDialog::Rejected);
    };
    viewLog->click();
    QStringList menuEntries;
    services.onMenu = [&](QMenu& menu) {
        menuEntries << menu.actions().value(0)->text();
        return menu.actions().value(0);
    };
    QMetaObject::invokeMethod(
        list, "customContextMenuRequested",
        Q_ARG(QPoint, list->visualRect(window->Model().index(0, 0)).center()));
    EXPECT_EQ(menuEntries, QStringList{"查看日志"});
    const QString good = ToQString(dir / "good.wl");
    const QString deleted = ToQString(dir / "deleted.wl");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].file, deleted);
    EXPECT_EQ(shown[0].result, "转换失败：文件打开失败");
    EXPECT_EQ(shown[0].text,
              "开始转换【" + deleted + "】------\n------结束转换【文件打开失败】------");
    EXPECT_EQ(shown[1].file, good);
    EXPECT_EQ(shown[1].result, "转换成功");
    EXPECT_TRUE(shown[1].text.endsWith("------结束转换【全部正确转换(1/1)】------"));
    list->clearSelection();
    EXPECT_FALSE(viewLog->isEnabled());
}

TEST_F(MainWindowTest, TheTitleBandMovesTheWindowAndOffersTheAboutBox)
{
    for (const auto& [y, moves] :
         std::vector<std::pair<int, bool>>{{0, true}, {48, true}, {49, false}}) {
        const QPoint before = window->pos();
        QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(300, y));
        QTest::mouseMove(window.get(), QPoint(330, y + 20));
        QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(330, y + 20));
        EXPECT_EQ(window->pos() - before, moves ? QPoint(30, 20) : QPoint()) << y;
    }

    QStringList menuEntries;
    services.onMenu = [&](QMenu& menu) {
        for (QAction* action : menu.actions()) {
            menuEntries << action->text();
        }
        return menu.actions().value(0);
    };
    for (int y : {48, 49}) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(300, y),
                                window->mapToGlobal(QPoint(300, y)));
        QApplication::sendEvent(window.get(), &event);
    }
    EXPECT_EQ(menuEntries, QStringList{"关于 Calvorn(&A)..."});
    Click(ControlId::kAbout);
    Click(ControlId::kSettings);
    EXPECT_EQ(services.dialogs,
              (std::vector<std::string>{"Calvorn::CAboutDlg", "Calvorn::CAboutDlg",
                                        "Calvorn::COptionDlg"}));
}

TEST_F(MainWindowTest, BrowsesForTheOutputFolderAndOpensTheHelpPage)
{
    services.folderAnswers.push_back(ToQString(dir.Path()));
    Click(ControlId::kBrowseOutput);
    Click(ControlId::kBrowseOutput);  // cancelled
    ASSERT_EQ(services.folderRequests.size(), 2u);
    EXPECT_EQ(services.folderRequests[0].title, "选择文件输出目录:");
    EXPECT_EQ(services.folderRequests[0].folder, ToQString(out));
    EXPECT_TRUE(services.folderRequests[0].allowNewFolder);
    EXPECT_EQ(Find<QLineEdit>(ControlId::kOutputFolder)->text(), ToQString(dir.Path()));

    window->SetHelpFile(dir / "calvorn.html");
    Click(ControlId::kHelp);
    EXPECT_TRUE(services.openedUrls.empty());
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Exclamation);
    CalvornTest::WriteFile(dir / "calvorn.html", "<html></html>");
    Click(ControlId::kHelp);
    const QUrl help = QUrl::fromLocalFile(ToQString(dir / "calvorn.html"));
    EXPECT_EQ(services.openedUrls, std::vector<QUrl>{help});
    EXPECT_EQ(services.messages.size(), 1u);
    // A desktop without a browser: the user is told, not left waiting.
    services.desktopOpens = false;
    Click(ControlId::kHelp);
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_NE(services.messages[1].text.find(dir.Path().string() + "/calvorn.html"),
              std::string::npos);
}

// Qt's own texts (message box buttons, file dialogs) are Chinese like the rest.
TEST(QtTextsTest, QtSpeaksChinese)
{
    ASSERT_TRUE(UseChineseQtTexts(*QCoreApplication::instance()));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), "确定");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "取消");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
}

}  // namespace
