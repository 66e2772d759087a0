// The about box: the product picture, the application icon, the product and version line and a
// notice line. A click anywhere or Escape closes it.
#pragma once

#include <QDialog>

namespace Calvorn {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTemplateLine = "Calvorn Desktop  Ver3.1.7.2";

    explicit CAboutDlg(QWidget* parent = nullptr);

    // "<product>  Ver<version>"; the template line when either is unknown.
    static QString VersionLine(const QString& product, const QString& version);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace Calvorn
