// The log view: the lines one file's last conversion wrote to the conversion log, with the
// file and its result above them. Opened from the main window for the selected row.
#pragma once

#include <QDialog>
#include <QString>

namespace Calvorn {

class CLogDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "转换日志";

    // `file` and `result` head the view, `log` is its text (one log line per line).
    CLogDlg(const QString& file, const QString& result, const QString& log,
            QWidget* parent = nullptr);
};

}  // namespace Calvorn
