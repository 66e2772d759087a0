// The settings dialog: what it shows, what OK stores and Cancel does not, and its browsers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/ConversionOptions.h"
#include "app/PathSettings.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/ScriptedServices.h"
#include "ui/COptionDlg.h"
#include "ui/ControlIds.h"
#include "ui/QtPath.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;

class OptionDlgTest : public testing::Test {
protected:
    OptionDlgTest()
    {
        fs::create_directories(dir / "work");
        CalvornTest::WriteFile(dir / "names.lyr", "a,b\n");
        settings = PathSettings::Defaults(dir.Path());
    }
    template <typename T>
    T* Find(COptionDlg& dialog, const char* id)
    {
        T* child = dialog.findChild<T*>(id);
        EXPECT_NE(child, nullptr) << id;
        return child;
    }

    CalvornTest::TempDir dir;
    ConversionOptions options;
    PathSettings settings;
    CalvornTest::ScriptedServices services;
};

TEST_F(OptionDlgTest, OpensWithTheCurrentValuesInScreenOrder)
{
    options.StyleAsAttributes = 1;  // as the switch c leaves it
    COptionDlg dialog(options, settings, services);
    EXPECT_EQ(dialog.windowTitle(), "设置");
    const std::vector<std::pair<const char*, bool>> boxes = {
        {ControlId::kSplitAnnotations, false},
        {ControlId::kOutputProjection, true},
        {ControlId::kStyleAsAttributes, true},
        {ControlId::kDeleteEmptyResults, true},
    };
    int previousY = -1;
    for (const auto& [id, checked] : boxes) {
        auto* box = Find<QCheckBox>(dialog, id);
        EXPECT_EQ(box->isChecked(), checked) << id;
        EXPECT_GT(box->y(), previousY) << id << " stands below the one before";
        previousY = box->y();
    }
    EXPECT_EQ(Find<QLineEdit>(dialog, ControlId::kWorkPath)->text(), ToQString(dir.Path()));
    EXPECT_EQ(Find<QLineEdit>(dialog, ControlId::kFieldMap)->text(),
              ToQString(dir / "Calvorn.fld"));
}

TEST_F(OptionDlgTest, OkStoresOptionsAndOnlyExistingPaths)
{
    struct Case {
        const char* what;
        const char* field;
        std::string text;
        fs::path PathSettings::*setting;
        fs::path expected;
    };
    const std::vector<Case> cases = {
        {"existing folder", ControlId::kWorkPath, (dir / "work").string(), &PathSettings::WorkPath,
         dir / "work"},
        {"emptied field", ControlId::kLogPath, "", &PathSettings::LogPath, dir.Path()},
        {"mistyped folder", ControlId::kWorkPath, (dir / "wrok").string(), &PathSettings::WorkPath,
         dir.Path()},
        {"existing mapping file", ControlId::kLayerMap, (dir / "names.lyr").string(),
         &PathSettings::LayerMap, dir / "names.lyr"},
        {"folder as mapping file", ControlId::kFieldMap, (dir / "work").string(),
         &PathSettings::FieldMap, dir / "work"},
    };
    for (const Case& c : cases) {
        settings = PathSettings::Defaults(dir.Path());
        options = ConversionOptions();
        COptionDlg dialog(options, settings, services);
        Find<QLineEdit>(dialog, c.field)->setText(QString::fromStdString(c.text));
        Find<QCheckBox>(dialog, ControlId::kSplitAnnotations)->setChecked(true);
        Find<QCheckBox>(dialog, ControlId::kDeleteEmptyResults)->setChecked(false);
        Find<QPushButton>(dialog, ControlId::kOk)->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.what;
        EXPECT_EQ(settings.*c.setting, c.expected) << c.what;
        EXPECT_EQ(options.SplitAnnotations, 1) << c.what;
        EXPECT_EQ(options.DeleteEmptyResults, 0) << c.what;
        EXPECT_EQ(options.OutputProjection, 1) << c.what;
    }
}

TEST_F(OptionDlgTest, CancelAndEscapeStoreNothing)
{
    for (bool escape : {false, true}) {
        COptionDlg dialog(options, settings, services);
        dialog.show();
        Find<QCheckBox>(dialog, ControlId::kStyleAsAttributes)->setChecked(true);
        Find<QLineEdit>(dialog, ControlId::kWorkPath)->setText(ToQString(dir / "work"));
        if (escape) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            Find<QPushButton>(dialog, ControlId::kCancel)->click();
        }
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(options.StyleAsAttributes, 0);
        EXPECT_EQ(settings.WorkPath, dir.Path());
    }
}

TEST_F(OptionDlgTest, BrowseButtonsFillTheirFields)
{
    struct Case {
        const char* button;
        const char* field;
        QString answer;  // empty: the user cancels
        QString title;   // folder browsers
        QString filter;  // file dialogs
    };
    const QString chosen = ToQString(dir / "work");
    const std::vector<Case> cases = {
        {ControlId::kBrowseWorkPath, ControlId::kWorkPath, chosen, "选择工作目录:", {}},
        {ControlId::kBrowseLogPath, ControlId::kLogPath, chosen, "选择日志目录:", {}},
        {ControlId::kBrowseLogPath, ControlId::kLogPath, {}, "选择日志目录:", {}},
        {ControlId::kChooseLayerMap,
         ControlId::kLayerMap,
         chosen,
         {},
         "文件名匹配文件 (*.lyr)|*.lyr||"},
        {ControlId::kChooseFieldMap,
         ControlId::kFieldMap,
         {},
         {},
         "字段名匹配文件 (*.fld)|*.fld||"},
    };
    for (const Case& c : cases) {
        services = CalvornTest::ScriptedServices();
        if (!c.answer.isEmpty()) {
            services.folderAnswers.push_back(c.answer);
            services.fileAnswers.push_back({c.answer});
        }
        COptionDlg dialog(options, settings, services);
        auto* field = Find<QLineEdit>(dialog, c.field);
        const QString before = field->text();
        Find<QPushButton>(dialog, c.button)->click();
        EXPECT_EQ(field->text(), c.answer.isEmpty() ? before : c.answer) << c.button;
        if (c.filter.isEmpty()) {
            ASSERT_EQ(services.folderRequests.size(), 1u) << c.button;
            EXPECT_EQ(services.folderRequests[0].title, c.title);
            EXPECT_EQ(services.folderRequests[0].folder, before) << "opens at the field's folder";
            EXPECT_FALSE(services.folderRequests[0].allowNewFolder);
        } else {
            ASSERT_EQ(services.fileRequests.size(), 1u) << c.button;
            EXPECT_EQ(services.fileRequests[0].filter, c.filter);
            EXPECT_EQ(services.fileRequests[0].folder, ToQString(dir.Path()))
                << "opens in the folder of the file named in the field";
        }
        EXPECT_EQ(settings.WorkPath, dir.Path()) << "nothing is stored before OK";
    }
}

}  // namespace
