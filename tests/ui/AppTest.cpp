// Start-up: the one-file conversion for plain arguments, otherwise the main window between
// reading and writing the settings.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>

#include "app/IniFile.h"
#include "batch/ExitStatus.h"
#include "batch/OneFileConversion.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TorvexFiles.h"
#include "tests/ui/ScriptedServices.h"
#include "ui/CCalvornApp.h"
#include "ui/CCalvornDlg.h"
#include "ui/COptionDlg.h"
#include "ui/ControlIds.h"
#include "ui/QtPath.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;

class AppTest : public testing::Test {
protected:
    AppTest()
    {
        fs::create_directories(exe);
        fs::create_directories(out);
    }
    AppLocations Locations() const { return AppLocations(exe, dir / "user"); }

    CalvornTest::TempDir dir;
    fs::path exe = dir / "bin";
    fs::path out = dir / "out";
    CalvornTest::ScriptedServices services;
};

TEST_F(AppTest, PlainArgumentsConvertOneFileWithoutTheWindow)
{
    const std::string good = CalvornTest::MakeLineFile(dir / "roads.wl", 2).string();
    // The conversion's own statuses and texts are the batch's; here they reach message boxes,
    // or nothing under the quiet switch.
    const std::tuple<std::vector<std::string>, std::vector<std::string>, int> cases[] = {
        {{good, out.string()}, {"恭喜你，指定文件转换成功！"}, 0},
        {{"/s", (dir / "missing.wl").string(), out.string()}, {}, 1},
        {{(dir / "missing.wl").string(), out.string()}, {"指定的Torvex文件不存在"}, kExitNoInput},
        {{good}, {kCmdLineUsageText}, kExitUsage},
    };
    for (const auto& [args, messages, status] : cases) {
        services = CalvornTest::ScriptedServices();
        CCalvornApp app(services, Locations());
        app.SetHomePage(QUrl("https://calvorn.example/"));
        EXPECT_EQ(app.InitInstance(args), status) << args[0];
        EXPECT_EQ(services.Texts(), messages) << args[0];
        EXPECT_TRUE(services.dialogs.empty()) << "no window for a command-line conversion";
        EXPECT_TRUE(services.openedUrls.empty());
        EXPECT_FALSE(fs::exists(exe / "calvorn.ini")) << "the settings are left alone";
    }
    EXPECT_TRUE(fs::exists(out / "roads.shp"));
    EXPECT_TRUE(fs::exists(exe / "CalvornExp.log")) << "the log lies beside the executable";
}

TEST_F(AppTest, WithoutPlainArgumentsTheWindowRunsBetweenReadingAndWritingTheSettings)
{
    // The first start (no settings file, no home page), then one with both.
    for (const auto& c :
         {std::pair<QUrl, std::string>{QUrl(), ""},
          {QUrl("https://calvorn.example/"), "[Options]\nWorkPath=" + out.string()}}) {
        const auto& [homePage, iniText] = c;
        fs::remove(exe / "calvorn.ini");
        if (!iniText.empty()) {
            CalvornTest::WriteFile(exe / "calvorn.ini", iniText);
        }
        services = CalvornTest::ScriptedServices();
        QString outputField;
        int styleBox = -1;
        services.onDialog = [&](QDialog& dialog) {
            if (auto* window = qobject_cast<CCalvornDlg*>(&dialog)) {
                outputField = window->findChild<QLineEdit*>(ControlId::kOutputFolder)->text();
                window->findChild<QAbstractButton*>(ControlId::kSettings)->click();
                window->findChild<QAbstractButton*>(ControlId::kExit)->click();
            } else if (qobject_cast<COptionDlg*>(&dialog) != nullptr) {
                // A path changed in the settings dialog is written at exit.
                dialog.findChild<QLineEdit*>(ControlId::kLogPath)->setText(ToQString(out));
                styleBox =
                    dialog.findChild<QAbstractButton*>(ControlId::kStyleAsAttributes)->isChecked();
                dialog.findChild<QAbstractButton*>(ControlId::kOk)->click();
            }
            return dialog.result();
        };
        CCalvornApp app(services, Locations());
        app.SetHomePage(homePage);
        EXPECT_EQ(app.InitInstance({"-c", "/P"}), 0);

        EXPECT_EQ(services.dialogs,
                  (std::vector<std::string>{"Calvorn::CCalvornDlg", "Calvorn::COptionDlg"}));
        EXPECT_EQ(styleBox, 1) << "the switch c ticks the box";
        EXPECT_EQ(app.Options().StyleAsAttributes, 1);
        EXPECT_EQ(outputField, ToQString(iniText.empty() ? exe : out));
        EXPECT_EQ(services.openedUrls,
                  homePage.isEmpty() ? std::vector<QUrl>{} : std::vector<QUrl>{homePage});

        ASSERT_EQ(app.SettingsWritten(), exe / "calvorn.ini");
        IniFile ini;
        ASSERT_TRUE(ini.Load(exe / "calvorn.ini"));
        EXPECT_EQ(ini.GetString("Options", "WorkPath", "?"),
                  (iniText.empty() ? exe : out).string());
        EXPECT_EQ(ini.GetString("Options", "LogPath", "?"), out.string());
    }
}

}  // namespace
