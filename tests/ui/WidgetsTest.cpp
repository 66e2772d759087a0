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
    const std::pair<QString, QStringList> cases[] = {
        {"文件名匹配文件 (*.lyr)|*.lyr||", {"文件名匹配文件 (*.lyr)"}},
        {"Torvex点线面文件(*.wt;*.wl;*.wp)|*.wt;*.wl;*.wp|点文件 (*.wt)|*.wt||",
         {"Torvex点线面文件(*.wt *.wl *.wp)", "点文件 (*.wt)"}},
        {"Everything|*.*||", {"Everything (*.*)"}},
        {"", {}},
    };
    for (const auto& [filter, expected] : cases) {
        EXPECT_EQ(UiServices::QtNameFilters(filter), expected) << filter.toStdString();
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

// A click on the picture or on the version line and Escape close the box; other keys do not.
TEST(AboutDlgTest, ClosesOnAClickAnywhereAndOnEscape)
{
    for (int act = 0; act < 4; ++act) {
        CAboutDlg about;
        about.show();
        QSignalSpy accepted(&about, &QDialog::accepted);
        if (act == 0) {
            QTest::mouseClick(&about, Qt::LeftButton, {}, {200, 100});
        } else if (act == 1) {
            QTest::mouseClick(about.findChild<QLabel*>(ControlId::kVersionLine), Qt::LeftButton);
        } else {
            QTest::keyClick(&about, act == 2 ? Qt::Key_Escape : Qt::Key_A);
        }
        EXPECT_EQ(accepted.count(), act < 3 ? 1 : 0) << act;
        EXPECT_EQ(about.isVisible(), act == 3) << act;
    }
}

}  // namespace
