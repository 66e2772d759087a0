#include "ui/JobListModel.h"

#include <QDir>
#include <QStringList>
#include <stdexcept>

#include "ui/Artwork.h"
#include "ui/QtPath.h"

namespace Calvorn {

namespace {

QString StatusToolTip(int image)
{
    switch (image) {
        case kStatusConverted:
            return QStringLiteral("转换成功");
        case kStatusEmpty:
            return QStringLiteral("空文件，未转换");
        case kStatusFailed:
            return QStringLiteral("转换失败");
        case JobListModel::kImageConverting:
            return QStringLiteral("正在转换");
        default:
            return {};
    }
}

// A failed or empty row's tooltip: what happened, then its log lines (the first and the last
// ones of a long story), as plain text kept on their lines.
QString ResultOf(const Job& job)
{
    return job.status == kStatusFailed
               ? QStringLiteral("转换失败：") +
                     QString::fromStdString(FailureReason(job.outcome, job.log))
               : StatusToolTip(job.status);
}

QString ResultToolTip(const Job& job)
{
    const QString head = ResultOf(job);
    QStringList lines;
    for (const std::string& line : job.log.Lines(JobListModel::kToolTipLogLines)) {
        lines << QString::fromStdString(line).toHtmlEscaped();
    }
    return QStringLiteral("<p style='white-space:pre'><b>%1</b><br>%2</p>")
        .arg(head.toHtmlEscaped(), lines.join(QStringLiteral("<br>")));
}

}  // namespace

JobListModel::JobListModel(QObject* parent) : QAbstractTableModel(parent)
{
    // Queued when the status changed on a run's worker thread, direct on this thread.
    connect(this, &JobListModel::StatusArrived, this, &JobListModel::ApplyStatus);
    m_jobs.SetObserver(this);
}

JobListModel::~JobListModel()
{
    m_jobs.SetObserver(nullptr);
}

void JobListModel::SetBusyRow(int row)
{
    const int previous = m_busyRow;
    m_busyRow = row;
    for (int changed : {previous, row}) {
        if (changed >= 0 && changed < rowCount()) {
            emit dataChanged(index(changed, 1), index(changed, 1));
        }
    }
}

int JobListModel::KindImage(int row) const
{
    return row >= 0 && row < rowCount() ? Calvorn::KindImage(m_rows[row].kind) : -1;
}

int JobListModel::StatusImageOf(int row) const
{
    if (row < 0 || row >= rowCount()) {
        return -1;
    }
    return row == m_busyRow ? kImageConverting : m_rows[row].status;
}

QString JobListModel::LogText(int row) const
{
    if (!HasLog(row)) {
        return {};
    }
    QStringList lines;
    for (const std::string& line : m_rows[row].log.Lines()) {
        lines << QString::fromStdString(line);
    }
    return lines.join('\n');
}

QString JobListModel::ResultText(int row) const
{
    return row >= 0 && row < rowCount() ? ResultOf(m_rows[row]) : QString();
}

bool JobListModel::HasLog(int row) const
{
    return row >= 0 && row < rowCount() && !m_rows[row].log.Empty();
}

int JobListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int JobListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant JobListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Job& job = m_rows[index.row()];
    const bool told = (job.status == kStatusFailed || job.status == kStatusEmpty) &&
                      index.row() != m_busyRow && !job.log.Empty();
    if (role == Qt::ToolTipRole && told) {
        return ResultToolTip(job);
    }
    if (index.column() == 0) {
        switch (role) {
            case Qt::DisplayRole:
            case Qt::ToolTipRole:
                return QDir::toNativeSeparators(ToQString(job.source));
            case Qt::DecorationRole:
                return ListImage(Calvorn::KindImage(job.kind));
            default:
                return {};
        }
    }
    const int image = StatusImageOf(index.row());
    switch (role) {
        case Qt::DecorationRole:
            return image >= 0 ? QVariant(ListImage(image)) : QVariant();
        case Qt::ToolTipRole:
            return StatusToolTip(image);
        default:
            return {};
    }
}

QVariant JobListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return section == 0 ? QStringLiteral("文件路径") : QStringLiteral("状态");
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(section == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                                : Qt::AlignCenter);
    }
    return {};
}

void JobListModel::RowsInserted(std::size_t first, std::size_t count)
{
    const int begin = static_cast<int>(first);
    beginInsertRows(QModelIndex(), begin, begin + static_cast<int>(count) - 1);
    std::vector<Job> added;
    for (std::size_t i = 0; i < count; ++i) {
        added.push_back(m_jobs.At(first + i));
    }
    m_rows.insert(m_rows.begin() + begin, added.begin(), added.end());
    if (m_busyRow >= begin) {
        m_busyRow += static_cast<int>(count);
    }
    endInsertRows();
}

void JobListModel::RowsRemoved(std::size_t first, std::size_t count)
{
    const int begin = static_cast<int>(first);
    const int end = begin + static_cast<int>(count);
    beginRemoveRows(QModelIndex(), begin, end - 1);
    m_rows.erase(m_rows.begin() + begin, m_rows.begin() + end);
    if (m_busyRow >= end) {
        m_busyRow -= static_cast<int>(count);
    } else if (m_busyRow >= begin) {
        m_busyRow = -1;
    }
    endRemoveRows();
}

void JobListModel::RowStatusChanged(std::size_t row)
{
    emit StatusArrived(static_cast<int>(row));
}

void JobListModel::StatusLineChanged(const std::string& text)
{
    emit StatusLine(QString::fromStdString(text));
}

void JobListModel::ApplyStatus(int row)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    try {
        const Job job = m_jobs.At(row);
        m_rows[row].status = job.status;
        m_rows[row].outcome = job.outcome;
        m_rows[row].log = job.log;
    } catch (const std::out_of_range&) {
        return;  // the row left the list before the change reached this thread
    }
    if (row == m_busyRow) {
        m_busyRow = -1;
    }
    emit dataChanged(index(row, 0), index(row, 1));  // the tooltips of both columns
}

}  // namespace Calvorn
