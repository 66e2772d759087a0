#include "ui/COptionDlg.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "app/ConversionOptions.h"
#include "app/PathSettings.h"
#include "ui/Artwork.h"
#include "ui/ControlIds.h"
#include "ui/QtPath.h"
#include "ui/UiServices.h"

namespace Calvorn {

namespace {

constexpr int kSideWidth = 100;
constexpr int kFieldWidth = 260;

QCheckBox* AddCheckBox(QLayout* layout, const char* id, const QString& text)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(id);
    layout->addWidget(box);
    return box;
}

// A label, a path field and its "..." button on one row of a group's grid.
QLineEdit* AddPathRow(QGridLayout* grid, const QString& label, const char* fieldId,
                      const char* buttonId, QPushButton** button)
{
    const int row = grid->rowCount();
    auto* field = new QLineEdit;
    field->setObjectName(fieldId);
    field->setMinimumWidth(kFieldWidth);
    *button = new QPushButton(QStringLiteral("..."));
    (*button)->setObjectName(buttonId);
    (*button)->setAutoDefault(false);
    (*button)->setFixedWidth(32);
    grid->addWidget(new QLabel(label), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(*button, row, 2);
    return field;
}

// A long path shows its beginning, where the drive and the top folders are.
void SetPathText(QLineEdit* field, const QString& text)
{
    field->setText(text);
    field->setCursorPosition(0);
}

bool Exists(const QString& text)
{
    std::error_code error;
    return !text.isEmpty() && std::filesystem::exists(ToPath(text), error);
}

}  // namespace

COptionDlg::COptionDlg(ConversionOptions& options, PathSettings& settings, UiServices& services,
                       QWidget* parent)
    : QDialog(parent), m_options(options), m_settings(settings), m_services(services)
{
    EnsureArtwork();
    setWindowTitle(QStringLiteral("设置"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFont(UiFont(12));
    setStyleSheet(WindowStyleSheet());

    // Laid out with the style's own margins and spacing, so nothing sits at an edge.
    auto* content = new QVBoxLayout;
    auto* general = new QGroupBox(QStringLiteral("常规设置"));
    auto* generalLayout = new QVBoxLayout(general);
    m_splitAnnotations = AddCheckBox(generalLayout, ControlId::kSplitAnnotations,
                                     QStringLiteral("点文件中文字注释对象自动分离输出"));
    m_outputProjection = AddCheckBox(generalLayout, ControlId::kOutputProjection,
                                     QStringLiteral("进行投影转换，输出匹配投影文件"));
    m_styleAsAttributes = AddCheckBox(generalLayout, ControlId::kStyleAsAttributes,
                                      QStringLiteral("图元参数转为属性输出"));
    m_deleteEmptyResults = AddCheckBox(generalLayout, ControlId::kDeleteEmptyResults,
                                       QStringLiteral("自动删除转换结果中的空文件"));
    content->addWidget(general);

    QPushButton* browseWork = nullptr;
    QPushButton* browseLog = nullptr;
    QPushButton* chooseLayer = nullptr;
    QPushButton* chooseField = nullptr;
    auto* folders = new QGroupBox(QStringLiteral("目录设置"));
    auto* folderGrid = new QGridLayout(folders);
    m_workPath = AddPathRow(folderGrid, QStringLiteral("工作目录:"), ControlId::kWorkPath,
                            ControlId::kBrowseWorkPath, &browseWork);
    m_logPath = AddPathRow(folderGrid, QStringLiteral("日志目录:"), ControlId::kLogPath,
                           ControlId::kBrowseLogPath, &browseLog);
    content->addWidget(folders);

    auto* rules = new QGroupBox(QStringLiteral("转换规则"));
    auto* ruleGrid = new QGridLayout(rules);
    m_layerMap = AddPathRow(ruleGrid, QStringLiteral("文件名转换:"), ControlId::kLayerMap,
                            ControlId::kChooseLayerMap, &chooseLayer);
    m_fieldMap = AddPathRow(ruleGrid, QStringLiteral("字段名转换:"), ControlId::kFieldMap,
                            ControlId::kChooseFieldMap, &chooseField);
    content->addWidget(rules);

    auto* ok = new QPushButton(QStringLiteral("确定"));
    ok->setObjectName(ControlId::kOk);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"));
    cancel->setObjectName(ControlId::kCancel);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    content->addStretch(1);
    content->addLayout(buttons);

    auto* outer = new QHBoxLayout(this);
    // The style's own margins, and the side picture to the left of them.
    QMargins margins = outer->contentsMargins();
    margins.setLeft(margins.left() + kSideWidth);
    outer->setContentsMargins(margins);
    outer->addLayout(content);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // The group boxes were created first so they lie under their controls; the tab order
    // follows the screen from top to bottom.
    QWidget* order[] = {m_splitAnnotations,
                        m_outputProjection,
                        m_styleAsAttributes,
                        m_deleteEmptyResults,
                        m_workPath,
                        browseWork,
                        m_logPath,
                        browseLog,
                        m_layerMap,
                        chooseLayer,
                        m_fieldMap,
                        chooseField,
                        ok,
                        cancel};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    connect(browseWork, &QPushButton::clicked, this, &COptionDlg::OnBrowseWorkPath);
    connect(chooseLayer, &QPushButton::clicked, this, &COptionDlg::OnChooseLayerMap);
    connect(chooseField, &QPushButton::clicked, this, &COptionDlg::OnChooseFieldMap);
    connect(ok, &QPushButton::clicked, this, &COptionDlg::OnOK);
    connect(browseLog, &QPushButton::clicked, this, &COptionDlg::OnBrowseLogPath);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_splitAnnotations->setChecked(m_options.SplitAnnotations == 1);
    m_styleAsAttributes->setChecked(m_options.StyleAsAttributes == 1);
    m_outputProjection->setChecked(m_options.OutputProjection == 1);
    m_deleteEmptyResults->setChecked(m_options.DeleteEmptyResults == 1);
    const std::pair<QLineEdit*, const std::filesystem::path*> fields[] = {
        {m_workPath, &m_settings.WorkPath},
        {m_logPath, &m_settings.LogPath},
        {m_layerMap, &m_settings.LayerMap},
        {m_fieldMap, &m_settings.FieldMap},
    };
    for (const auto& [field, setting] : fields) {
        SetPathText(field, ToQString(*setting));
    }
    m_splitAnnotations->setFocus();
}

void COptionDlg::OnOK()
{
    m_options.SplitAnnotations = m_splitAnnotations->isChecked() ? 1 : 0;
    m_options.StyleAsAttributes = m_styleAsAttributes->isChecked() ? 1 : 0;
    m_options.OutputProjection = m_outputProjection->isChecked() ? 1 : 0;
    m_options.DeleteEmptyResults = m_deleteEmptyResults->isChecked() ? 1 : 0;

    const std::pair<QLineEdit*, std::filesystem::path*> paths[] = {
        {m_workPath, &m_settings.WorkPath},
        {m_logPath, &m_settings.LogPath},
        {m_layerMap, &m_settings.LayerMap},
        {m_fieldMap, &m_settings.FieldMap},
    };
    for (const auto& [field, setting] : paths) {
        if (Exists(field->text())) {
            *setting = ToPath(field->text());
        }
    }
    accept();
}

void COptionDlg::OnBrowseWorkPath()
{
    BrowseFolder(m_workPath, QStringLiteral("选择工作目录:"));
}

void COptionDlg::OnBrowseLogPath()
{
    BrowseFolder(m_logPath, QStringLiteral("选择日志目录:"));
}

void COptionDlg::OnChooseLayerMap()
{
    ChooseFile(m_layerMap, kLayerMapFilter);
}

void COptionDlg::OnChooseFieldMap()
{
    ChooseFile(m_fieldMap, kFieldMapFilter);
}

void COptionDlg::BrowseFolder(QLineEdit* field, const QString& title)
{
    const QString chosen = m_services.GetExistingDirectory(this, title, field->text(), false);
    if (!chosen.isEmpty()) {
        SetPathText(field, QDir::toNativeSeparators(chosen));
    }
}

void COptionDlg::ChooseFile(QLineEdit* field, const char* filter)
{
    const std::filesystem::path current = ToPath(field->text());
    const QString folder = ToQString(current.parent_path());
    const QString chosen = m_services.GetOpenFileName(this, folder, QString::fromUtf8(filter));
    if (!chosen.isEmpty()) {
        SetPathText(field, QDir::toNativeSeparators(chosen));
    }
}

void COptionDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintSvg(painter, ":/calvorn/settings-side.svg", QRectF(0, 0, kSideWidth, height()));
}

}  // namespace Calvorn
