// The settings dialog: what it shows, what OK stores and Cancel does not, and its browsers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
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
    static T* Find(COptionDlg& dialog, const char* id)
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

// The dialog shows the current values, the check boxes in their screen order; Cancel and
// Escape store none of the changes made.
TEST_F(OptionDlgTest, ShowsTheCurrentValuesAndCancelStoresNothing)
{
    options.StyleAsAttributes = 1;  // as the switch c leaves it
    for (bool escape : {false, true}) {
        COptionDlg dialog(options, settings, services);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "设置");
        const std::pair<const char*, bool> boxes[] = {
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
            box->setChecked(!checked);
        }
        EXPECT_EQ(Find<QLineEdit>(dialog, ControlId::kFieldMap)->text(),
                  ToQString(dir / "Calvorn.fld"));
        auto* workPath = Find<QLineEdit>(dialog, ControlId::kWorkPath);
        EXPECT_EQ(workPath->text(), ToQString(dir.Path()));
        workPath->setText(ToQString(dir / "work"));
        if (escape) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            Find<QPushButton>(dialog, ControlId::kCancel)->click();
        }
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(std::make_tuple(options.SplitAnnotations, options.OutputProjection,
                                  options.StyleAsAttributes, options.DeleteEmptyResults),
                  std::make_tuple(0, 1, 1, 1));
        EXPECT_EQ(settings.WorkPath, dir.Path());
    }
}

// Every group keeps the layout's margins from the dialog's edges and the side picture.
TEST_F(OptionDlgTest, RoomyMargins)
{
    COptionDlg dialog(options, settings, services);
    dialog.show();
    const int top = dialog.style()->pixelMetric(QStyle::PM_LayoutTopMargin);
    const int side = dialog.style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    ASSERT_GT(top, 4);
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        EXPECT_GE(group->y(), top) << group->title().toStdString();
        EXPECT_GE(group->x(), 100 + side) << group->title().toStdString();
        EXPECT_LE(group->geometry().right(), dialog.width() - side);
    }
    EXPECT_LE(Find<QPushButton>(dialog, ControlId::kOk)->geometry().bottom(),
              dialog.height() - top);
}

TEST_F(OptionDlgTest, OkStoresOptionsAndOnlyExistingPaths)
{
    // The field typed into, its text, the setting it fills and what that setting holds after OK.
    const std::tuple<const char*, fs::path, fs::path PathSettings::*, fs::path> cases[] = {
        {ControlId::kWorkPath, dir / "work", &PathSettings::WorkPath, dir / "work"},
        {ControlId::kLogPath, "", &PathSettings::LogPath, dir.Path()},
        {ControlId::kWorkPath, dir / "wrok", &PathSettings::WorkPath, dir.Path()},
        {ControlId::kLayerMap, dir / "names.lyr", &PathSettings::LayerMap, dir / "names.lyr"},
        {ControlId::kFieldMap, dir / "work", &PathSettings::FieldMap, dir / "work"},
    };
    for (const auto& [field, text, setting, expected] : cases) {
        settings = PathSettings::Defaults(dir.Path());
        options = ConversionOptions();
        COptionDlg dialog(options, settings, services);
        Find<QLineEdit>(dialog, field)->setText(ToQString(text));
        Find<QCheckBox>(dialog, ControlId::kSplitAnnotations)->setChecked(true);
        Find<QCheckBox>(dialog, ControlId::kDeleteEmptyResults)->setChecked(false);
        Find<QPushButton>(dialog, ControlId::kOk)->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(settings.*setting, expected) << text;
        EXPECT_EQ(std::make_tuple(options.SplitAnnotations, options.OutputProjection,
                                  options.StyleAsAttributes, options.DeleteEmptyResults),
                  std::make_tuple(1, 1, 0, 0));
    }
}

// Folder browsers open at the field's folder, file dialogs in the folder of the file the field
// names; a cancelled dialog leaves the field alone, and nothing is stored before OK.
TEST_F(OptionDlgTest, BrowseButtonsFillTheirFields)
{
    const QString chosen = ToQString(dir / "work");
    // The button, its field, the answer (empty: cancelled), the browser's title or the filter.
    const std::tuple<const char*, const char*, QString, QString> cases[] = {
        {ControlId::kBrowseWorkPath, ControlId::kWorkPath, chosen, "选择工作目录:"},
        {ControlId::kBrowseLogPath, ControlId::kLogPath, chosen, "选择日志目录:"},
        {ControlId::kBrowseLogPath, ControlId::kLogPath, "", "选择日志目录:"},
        {ControlId::kChooseLayerMap, ControlId::kLayerMap, chosen,
         "文件名匹配文件 (*.lyr)|*.lyr||"},
        {ControlId::kChooseFieldMap, ControlId::kFieldMap, "", "字段名匹配文件 (*.fld)|*.fld||"},
    };
    for (const auto& [button, id, answer, titleOrFilter] : cases) {
        services = CalvornTest::ScriptedServices();
        services.folderAnswers.push_back(answer);
        services.fileAnswers.push_back(answer.isEmpty() ? QStringList() : QStringList{answer});
        COptionDlg dialog(options, settings, services);
        auto* field = Find<QLineEdit>(dialog, id);
        const QString before = field->text();
        Find<QPushButton>(dialog, button)->click();
        EXPECT_EQ(field->text(), answer.isEmpty() ? before : answer) << button;
        ASSERT_EQ(services.folderRequests.size() + services.fileRequests.size(), 1u) << button;
        if (!services.folderRequests.empty()) {
            EXPECT_EQ(services.folderRequests[0].title, titleOrFilter);
            EXPECT_EQ(services.folderRequests[0].folder, before);
            EXPECT_FALSE(services.folderRequests[0].allowNewFolder);
        } else {
            EXPECT_EQ(services.fileRequests[0].filter, titleOrFilter);
            EXPECT_EQ(services.fileRequests[0].folder, ToQString(dir.Path()));
        }
        EXPECT_EQ(settings.WorkPath, dir.Path());
    }
}

}  // namespace
