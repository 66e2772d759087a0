// Start-up: the one-file conversion for plain arguments, otherwise the main window between
// reading and writing the settings.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>

#include "app/IniFile.h"
#include "batch/ExitStatus.h"
#include "batch/OneFileConversion.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/ScriptedServices.h"
#include "tests/ui/UiTestFiles.h"
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
    const std::string empty = CalvornTest::MakeLineFile(dir / "empty.wl", 0).string();
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> messages;
        int status;
    };
    const std::vector<Case> cases = {
        {{good, out.string()}, {"恭喜你，指定文件转换成功！"}, 0},
        {{"/e", empty, out.string()}, {"指定文件为空文件，未进行转换！"}, 10},
        {{"/s", (dir / "missing.wl").string(), out.string()}, {}, 1},
        {{(dir / "missing.wl").string(), out.string()}, {"指定的Torvex文件不存在"}, kExitNoInput},
        {{good}, {kCmdLineUsageText}, kExitUsage},
    };
    for (const Case& c : cases) {
        services = CalvornTest::ScriptedServices();
        CCalvornApp app(services, Locations());
        app.SetHomePage(QUrl("https://calvorn.example/"));
        EXPECT_EQ(app.InitInstance(c.args), c.status) << c.args[0];
        EXPECT_EQ(services.Texts(), c.messages) << c.args[0];
        EXPECT_TRUE(services.dialogs.empty()) << "no window for a command-line conversion";
        EXPECT_TRUE(services.openedUrls.empty());
        EXPECT_FALSE(fs::exists(exe / "calvorn.ini")) << "the settings are left alone";
    }
    EXPECT_TRUE(fs::exists(out / "roads.shp"));
    EXPECT_TRUE(fs::exists(exe / "CalvornExp.log")) << "the log lies beside the executable";
}

TEST_F(AppTest, WithoutPlainArgumentsTheWindowRunsBetweenReadingAndWritingTheSettings)
{
    struct Case {
        const char* what;
        QUrl homePage;
        std::string ini;  // empty: no settings file
    };
    const std::vector<Case> cases = {
        {"first start", QUrl(), ""},
        {"settings file", QUrl("https://calvorn.example/"),
         "; kept\n[Options]\nWorkPath=" + out.string() + "\n"},
    };
    for (const Case& c : cases) {
        fs::remove(exe / "calvorn.ini");
        if (!c.ini.empty()) {
            CalvornTest::WriteFile(exe / "calvorn.ini", c.ini);
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
        app.SetHomePage(c.homePage);
        EXPECT_EQ(app.InitInstance({"-c", "/P"}), 0) << c.what;

        EXPECT_EQ(services.dialogs,
                  (std::vector<std::string>{"Calvorn::CCalvornDlg", "Calvorn::COptionDlg"}));
        EXPECT_EQ(styleBox, 1) << c.what << ": the switch c ticks the box";
        EXPECT_EQ(app.Options().StyleAsAttributes, 1);
        EXPECT_EQ(outputField, ToQString(c.ini.empty() ? exe : out)) << c.what;
        EXPECT_EQ(services.openedUrls,
                  c.homePage.isEmpty() ? std::vector<QUrl>{} : std::vector<QUrl>{c.homePage})
            << c.what;

        ASSERT_EQ(app.SettingsWritten(), exe / "calvorn.ini") << c.what;
        IniFile ini;
        ASSERT_TRUE(ini.Load(exe / "calvorn.ini"));
        EXPECT_EQ(ini.GetString("Options", "WorkPath", "?"), (c.ini.empty() ? exe : out).string());
        EXPECT_EQ(ini.GetString("Options", "LogPath", "?"), out.string());
        EXPECT_EQ(ini.GetString("Options", "LayerMap", "?"), (exe / "Calvorn.lyr").string());
        EXPECT_EQ(ini.GetString("Options", "FieldMap", "?"), (exe / "Calvorn.fld").string());
        EXPECT_EQ(ini.Text().starts_with("; kept"), !c.ini.empty()) << c.what;
    }
}

}  // namespace
