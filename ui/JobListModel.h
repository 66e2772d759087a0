// The job list as the list view shows it: column 0 the source path with its kind's image,
// column 1 the status image of the last run. A failed or empty row's tooltip tells why, with
// the lines its conversion logged. It owns the window's JobList and follows its
// changes; status changes made by a run on a worker thread reach the view on the window's
// thread.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "batch/Job.h"
#include "batch/JobList.h"
#include "batch/JobListObserver.h"

namespace Calvorn {

class JobListModel : public QAbstractTableModel, private JobListObserver {
    Q_OBJECT

public:
    // Image shown in the status column of the row being converted.
    static constexpr int kImageConverting = 7;

    explicit JobListModel(QObject* parent = nullptr);
    ~JobListModel() override;

    JobList& Jobs() { return m_jobs; }
    const JobList& Jobs() const { return m_jobs; }

    // The row a run is converting now, or -1; its status column shows the converting image.
    void SetBusyRow(int row);
    int BusyRow() const { return m_busyRow; }

    // The image indices the view shows for `row`: its kind, and its status or -1.
    int KindImage(int row) const;
    int StatusImageOf(int row) const;

    // The lines the last conversion of `row` wrote to the conversion log, one per line; empty
    // when the row has not been converted.
    QString LogText(int row) const;
    bool HasLog(int row) const;
    // What the last conversion of `row` came to: "转换成功", "空文件，未转换" or "转换失败："
    // with the reason; empty before the row's first conversion.
    QString ResultText(int row) const;
    // How many log lines a row's tooltip shows at most.
    static constexpr std::size_t kToolTipLogLines = 12;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The status line's text after the list changed.
    void StatusLine(const QString& text);
    // Internal: a row's status changed on some thread; delivered on the model's thread.
    void StatusArrived(int row);

private:
    void RowsInserted(std::size_t first, std::size_t count) override;
    void RowsRemoved(std::size_t first, std::size_t count) override;
    void RowStatusChanged(std::size_t row) override;
    void StatusLineChanged(const std::string& text) override;

    void ApplyStatus(int row);

    JobList m_jobs;
    // What the view was last told; the list itself may be ahead of it on another thread.
    std::vector<Job> m_rows;
    int m_busyRow = -1;
};

}  // namespace Calvorn
