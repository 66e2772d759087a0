#include "batch/BatchRun.h"

#include <system_error>
#include <vector>

#include "app/MessageSink.h"
#include "app/NameTables.h"
#include "app/PathSettings.h"
#include "batch/BatchRunObserver.h"
#include "batch/JobList.h"
#include "batch/StatusLine.h"
#include "convert/ConversionEngine.h"

namespace Calvorn {

namespace {

constexpr const char* kWarningCaption = "警告";
constexpr const char* kSummaryCaption = "文件转换完成";

bool IsConvertibleKind(FileKind kind)
{
    return kind >= kKindPoint && kind <= kKindTable;
}

}  // namespace

BatchRun::BatchRun(JobList& jobs, const ConversionOptions& options, NameTables& tables,
                   MessageSink& messages)
    : m_jobs(jobs), m_options(options), m_tables(tables), m_messages(messages)
{
}

void BatchRun::SetObserver(BatchRunObserver* observer)
{
    m_observer = observer;
}

void BatchRun::RequestStop()
{
    m_stopRequested.store(true);
}

bool BatchRun::StopRequested() const
{
    return m_stopRequested.load();
}

BatchPrecondition BatchRun::CheckPreconditions(const JobList& jobs,
                                               const std::filesystem::path& outputFolder,
                                               MessageSink& messages)
{
    if (jobs.Count() == 0) {
        messages.Show("待转换文件集合不能为空!", kWarningCaption, MessageIcon::Exclamation);
        return BatchPrecondition::NoRows;
    }
    if (outputFolder.empty()) {
        messages.Show("输出路径不能为空!", kWarningCaption, MessageIcon::Exclamation);
        return BatchPrecondition::NoOutputFolder;
    }
    std::error_code error;
    if (!std::filesystem::exists(outputFolder, error)) {
        messages.Show("输出路径不存在!", kWarningCaption, MessageIcon::Exclamation);
        return BatchPrecondition::OutputFolderMissing;
    }
    return BatchPrecondition::Met;
}

BatchResult BatchRun::Run(const std::filesystem::path& outputFolder, const PathSettings& settings)
{
    BatchResult result;
    result.precondition = CheckPreconditions(m_jobs, outputFolder, m_messages);
    if (!result.Ran()) {
        m_stopRequested.store(false);
        return result;
    }
    m_tables.LoadForRun(settings);

    // The rows as the run found them; the list must not change while it runs.
    std::vector<Job> rows = m_jobs.Rows();
    ConversionEngine engine(m_options, m_tables);
    if (m_observer != nullptr) {
        engine.SetProgressCallback([this](int position) { m_observer->Progress(position); });
        m_observer->RunStarted(rows.size());
    }

    std::size_t done = 0;
    for (; done < rows.size(); ++done) {
        if (m_stopRequested.load()) {
            break;
        }
        Job& job = rows[done];
        if (m_observer != nullptr) {
            m_observer->RowStarted(done, job);
        }
        const int outcome = IsConvertibleKind(job.kind)
                                ? engine.Convert(job.kind, job.source, outputFolder, 1)
                                : static_cast<int>(kOutcomeNoConverter);
        job.status = StatusForOutcome(outcome);
        switch (job.status) {
            case kStatusConverted:
                ++result.converted;
                break;
            case kStatusEmpty:
                ++result.empty;
                break;
            default:
                ++result.failed;
                break;
        }
        m_jobs.SetStatus(done, job.status);
        if (m_observer != nullptr) {
            m_observer->RowFinished(done, job, outcome);
            m_observer->StatusLineChanged(StatusLineDone(done + 1, rows.size()));
        }
    }

    // A stopped run clears the status of the rows it left, so that none of them shows the
    // result of an earlier run as if it were this one's.
    result.notConverted = static_cast<int>(rows.size() - done);
    for (std::size_t row = done; row < rows.size(); ++row) {
        if (rows[row].status != kStatusNone) {
            m_jobs.SetStatus(row, kStatusNone);
        }
    }
    m_messages.Show(result.SummaryText(), kSummaryCaption, MessageIcon::Information);
    m_stopRequested.store(false);
    return result;
}

}  // namespace Calvorn
