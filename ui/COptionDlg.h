// The settings dialog: the four conversion options and the four path settings. It shows the
// current values when it opens and stores them only on OK; paths only when they name
// something that exists, so a mistyped path never replaces a working one.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace Calvorn {

struct ConversionOptions;
struct PathSettings;
class UiServices;

class COptionDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kLayerMapFilter = "文件名匹配文件 (*.lyr)|*.lyr||";
    static constexpr const char* kFieldMapFilter = "字段名匹配文件 (*.fld)|*.fld||";

    COptionDlg(ConversionOptions& options, PathSettings& settings, UiServices& services,
               QWidget* parent = nullptr);

private slots:
    void OnOK();
    void OnBrowseWorkPath();
    void OnBrowseLogPath();
    void OnChooseLayerMap();
    void OnChooseFieldMap();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BrowseFolder(QLineEdit* field, const QString& title);
    void ChooseFile(QLineEdit* field, const char* filter);

    ConversionOptions& m_options;
    PathSettings& m_settings;
    UiServices& m_services;

    QCheckBox* m_splitAnnotations = nullptr;
    QCheckBox* m_outputProjection = nullptr;
    QCheckBox* m_styleAsAttributes = nullptr;
    QCheckBox* m_deleteEmptyResults = nullptr;
    QLineEdit* m_workPath = nullptr;
    QLineEdit* m_logPath = nullptr;
    QLineEdit* m_layerMap = nullptr;
    QLineEdit* m_fieldMap = nullptr;
};

}  // namespace Calvorn
