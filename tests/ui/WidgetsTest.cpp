// The picture button, the link, the dialogs' filter texts and the about box.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "ui/CAboutDlg.h"
#include "ui/CHoverButton.h"
#include "ui/CHyperLink.h"
#include "ui/ControlIds.h"
#include "ui/UiServices.h"

namespace {

using namespace Calvorn;

TEST(HoverButtonTest, ShowsTheFrameOfItsState)
{
    CHoverButton button;
    ASSERT_TRUE(button.LoadFrames(":/calvorn/buttons/add-files.svg"));
    EXPECT_EQ(button.sizeHint(), QSize(54, 35));  // one of the three frames
    EXPECT_EQ(button.CurrentFrame(), CHoverButton::kFrameNormal);
    button.setDown(true);
    EXPECT_EQ(button.CurrentFrame(), CHoverButton::kFrameHot);
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(button.CurrentFrame(), CHoverButton::kFrameDisabled);

    EXPECT_FALSE(button.LoadFrames(":/calvorn/buttons/missing.svg"));
    EXPECT_EQ(button.Frames(), ":/calvorn/buttons/add-files.svg");
    // Enter belongs to the window's default button, whichever picture button has the focus.
    EXPECT_FALSE(button.autoDefault());
}

TEST(HyperLinkTest, OpensItsAddressThroughTheLauncher)
{
    CHyperLink link;
    std::vector<QUrl> opened;
    link.SetLauncher([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_FALSE(link.Open()) << "no address yet";

    const QUrl address("https://calvorn.example/download");
    link.SetLink("访问", address);
    link.resize(120, 20);
    EXPECT_EQ(link.toolTip(), address.toString());
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(&link, Qt::RightButton, {}, QPoint(10, 10));
    QTest::keyClick(&link, Qt::Key_Space);
    EXPECT_EQ(opened, (std::vector<QUrl>{address, address}));
}

TEST(UiServicesTest, FilterTextsBecomeQtNameFilters)
{
    struct Case {
        QString filter;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {"文件名匹配文件 (*.lyr)|*.lyr||", {"文件名匹配文件 (*.lyr)"}},
        {"Torvex点线面文件(*.wt;*.wl;*.wp)|*.wt;*.wl;*.wp|点文件 (*.wt)|*.wt||",
         {"Torvex点线面文件(*.wt *.wl *.wp)", "点文件 (*.wt)"}},
        {"Everything|*.*||", {"Everything (*.*)"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UiServices::QtNameFilters(c.filter), c.expected) << c.filter.toStdString();
    }
}

TEST(AboutDlgTest, ShowsTheBuildsProductAndVersion)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "关于 Calvorn");
    auto* line = about.findChild<QLabel*>(ControlId::kVersionLine);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "Calvorn Desktop  Ver4.1.2.3");
    EXPECT_EQ(line->text(), QString(CALVORN_PRODUCT_NAME "  Ver" CALVORN_VERSION));
    EXPECT_EQ(CAboutDlg::VersionLine("X", ""), CAboutDlg::kTemplateLine);
    EXPECT_EQ(CAboutDlg::VersionLine("", "1.0"), CAboutDlg::kTemplateLine);
}

TEST(AboutDlgTest, ClosesOnAClickAnywhereAndOnEscape)
{
    struct Case {
        const char* what;
        std::function<void(CAboutDlg&)> act;
        bool closes;
    };
    const std::vector<Case> cases = {
        {"click on the picture",
         [](CAboutDlg& d) {
             QTest::mouseClick(&d, Qt::LeftButton, {}, {200, 100});
         },
         true},
        {"click on the version line",
         [](CAboutDlg& d) {
             QTest::mouseClick(d.findChild<QLabel*>(ControlId::kVersionLine), Qt::LeftButton);
         },
         true},
        {"Escape", [](CAboutDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, true},
        {"another key", [](CAboutDlg& d) { QTest::keyClick(&d, Qt::Key_A); }, false},
    };
    for (const Case& c : cases) {
        CAboutDlg about;
        about.show();
        QSignalSpy accepted(&about, &QDialog::accepted);
        c.act(about);
        EXPECT_EQ(accepted.count(), c.closes ? 1 : 0) << c.what;
        EXPECT_EQ(about.isVisible(), !c.closes) << c.what;
    }
}

}  // namespace
