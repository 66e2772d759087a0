#include "batch/BatchRun.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <numeric>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/CConvertLog.h"

#include "app/MessageSink.h"
#include "app/NameTables.h"
#include "app/PathSettings.h"
#include "batch/BatchRunObserver.h"
#include "batch/JobList.h"
#include "batch/OutputGroups.h"
#include "batch/StatusLine.h"
#include "convert/ConversionEngine.h"
#include "convert/CoreShare.h"
#include "convert/StopSignal.h"
#include "convert/TemporaryFile.h"

namespace Calvorn {

namespace {

constexpr const char* kWarningCaption = "警告";
constexpr const char* kSummaryCaption = "文件转换完成";

bool IsConvertibleKind(FileKind kind)
{
    return kind >= kKindPoint && kind <= kKindTable;
}

// The outcome of one row: a row a scan could not take fails as a file that cannot be opened,
// without a conversion (and so without log lines of its own).
int ConvertRow(ConversionEngine& engine, const Job& job, const std::filesystem::path& outputFolder)
{
    if (!job.problem.empty()) {
        return kOutcomeOpenFailed;
    }
    return IsConvertibleKind(job.kind) ? engine.Convert(job.kind, job.source, outputFolder, 1)
                                       : static_cast<int>(kOutcomeNoConverter);
}

// A stopped run clears the status of the rows it left, so that none of them shows the result
// of an earlier run as if it were this one's.
void ClearStatusOfRowsLeft(JobList& jobs, const std::vector<Job>& rows, std::size_t done)
{
    for (std::size_t row = done; row < rows.size(); ++row) {
        if (rows[row].status != kStatusNone) {
            jobs.SetStatus(row, kStatusNone);
        }
    }
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

void BatchRun::SetThreadCount(int count)
{
    m_threadCount = std::max(count, 1);
}

void BatchRun::RequestStop()
{
    m_stopRequested.store(true);
}

bool BatchRun::StopRequested() const
{
    return m_stopRequested.load() || StopSignal() != 0;
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
    // What runs that died while writing into this folder left behind.
    RemoveDeadTemporaryFiles(outputFolder);

    // The rows as the run found them; the list must not change while it runs.
    std::vector<Job> rows = m_jobs.Rows();
    if (m_observer != nullptr) {
        m_observer->RunStarted(rows.size());
    }
    const std::size_t left = m_threadCount > 1 && rows.size() > 1
                                 ? RunOnThreads(rows, outputFolder, result)
                                 : RunOnThisThread(rows, outputFolder, result);
    result.notConverted = static_cast<int>(left);
    result.stopSignal = StopSignal();

    m_messages.Show(result.SummaryText(), kSummaryCaption, MessageIcon::Information);
    m_stopRequested.store(false);
    return result;
}

std::size_t BatchRun::RunOnThisThread(std::vector<Job>& rows,
                                      const std::filesystem::path& outputFolder,
                                      BatchResult& result)
{
    ConversionEngine engine(m_options, m_tables);
    if (m_observer != nullptr) {
        engine.SetProgressCallback([this](int position) { m_observer->Progress(position); });
    }
    std::size_t done = 0;
    for (; done < rows.size(); ++done) {
        if (StopRequested()) {
            break;
        }
        Job& job = rows[done];
        if (m_observer != nullptr) {
            m_observer->RowStarted(done, job);
        }
        const int outcome = ConvertRow(engine, job, outputFolder);
        if (outcome == kOutcomeStopped) {
            break;  // not converted: counted with the rows left
        }
        FinishRow(done, rows.size(), job, outcome, result);
    }
    ClearStatusOfRowsLeft(m_jobs, rows, done);
    return rows.size() - done;
}

std::size_t BatchRun::RunOnThreads(std::vector<Job>& rows,
                                   const std::filesystem::path& outputFolder, BatchResult& result)
{
    // Larger groups first, so that the last ones to finish are small.
    std::vector<std::vector<std::size_t>> groups = OutputGroups(rows, m_tables, outputFolder);
    std::vector<std::uintmax_t> sizes;
    for (const auto& group : groups) {
        std::uintmax_t size = 0;
        for (const std::size_t row : group) {
            std::error_code error;
            const std::uintmax_t bytes = std::filesystem::file_size(rows[row].source, error);
            size += error ? 0 : bytes;
        }
        sizes.push_back(size);
    }
    std::vector<std::size_t> order(groups.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&sizes](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });

    enum class Phase { Waiting, Running, Done, Skipped };
    struct RowState {
        Phase phase = Phase::Waiting;
        int outcome = 0;
        int progress = -1;
        std::string log;  // the file's log lines, held back until they are written in row order
    };
    std::vector<RowState> states(rows.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<std::size_t> nextGroup{0};
    std::atomic<bool> abandoned{false};  // this thread left early: the workers start no file
    const bool reportProgress = m_observer != nullptr;

    const auto work = [&] {
        // Busy until no group is left, also between files: a file's reading thread takes only
        // a core that no file of this batch will want.
        const BusyThread busy;
        ConversionEngine engine(m_options, m_tables);
        std::size_t current = 0;
        if (reportProgress) {
            engine.SetProgressCallback([&](int position) {
                std::lock_guard<std::mutex> lock(mutex);
                states[current].progress = position;
                changed.notify_all();
            });
        }
        for (std::size_t g = nextGroup++; g < groups.size(); g = nextGroup++) {
            for (const std::size_t row : groups[order[g]]) {
                current = row;
                const bool stop = StopRequested() || abandoned.load();
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    states[row].phase = stop ? Phase::Skipped : Phase::Running;
                    changed.notify_all();
                }
                if (stop) {
                    continue;
                }
                const Job& job = rows[row];
                std::string log;
                int outcome = kOutcomeRecordsLost;
                try {
                    CConvertLog::HoldLinesOfThisThread(&log);
                    outcome = ConvertRow(engine, job, outputFolder);
                } catch (...) {
                    // Converters report by outcome; only memory running out gets here.
                }
                CConvertLog::HoldLinesOfThisThread(nullptr);
                std::lock_guard<std::mutex> lock(mutex);
                states[row].log = std::move(log);
                states[row].outcome = outcome;
                states[row].phase = Phase::Done;
                changed.notify_all();
            }
        }
    };

    // Joins the workers on every way out, an observer that throws included.
    struct Workers {
        std::atomic<bool>& abandoned;
        std::vector<std::thread> threads;
        ~Workers()
        {
            abandoned.store(true);
            for (std::thread& thread : threads) {
                thread.join();
            }
        }
    } workers{abandoned, {}};
    std::vector<std::thread>& threads = workers.threads;
    const std::size_t wanted = std::min(static_cast<std::size_t>(m_threadCount), groups.size());
    for (std::size_t t = 0; t < wanted; ++t) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads than asked for still convert every row
        }
    }
    if (threads.empty()) {
        return RunOnThisThread(rows, outputFolder, result);
    }

    // This thread tells the observer about one row after the other and writes the logs.
    std::size_t left = 0;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        bool started = false;
        int shown = -1;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] {
                const RowState& state = states[row];
                return state.phase == Phase::Done || state.phase == Phase::Skipped ||
                       (reportProgress && state.phase == Phase::Running &&
                        (!started || state.progress != shown));
            });
            RowState& state = states[row];
            if (state.phase == Phase::Skipped) {
                break;
            }
            if (reportProgress && !started) {
                started = true;
                lock.unlock();
                m_observer->RowStarted(row, rows[row]);
                lock.lock();
            }
            if (reportProgress && state.progress != shown && state.progress >= 0) {
                shown = state.progress;
                lock.unlock();
                m_observer->Progress(shown);
                lock.lock();
            }
            if (state.phase == Phase::Done) {
                break;
            }
        }
        RowState& state = states[row];
        const std::string log = std::move(state.log);
        const int outcome = state.phase == Phase::Skipped ? kOutcomeStopped : state.outcome;
        lock.unlock();
        // A file stopped by a signal still tells its story, up to the abort line.
        CConvertLog::Get().WriteHeld(log);
        if (outcome == kOutcomeStopped) {
            ++left;
            if (rows[row].status != kStatusNone) {
                m_jobs.SetStatus(row, kStatusNone);
            }
            continue;
        }
        FinishRow(row, rows.size(), rows[row], outcome, result);
    }
    return left;
}

void BatchRun::FinishRow(std::size_t row, std::size_t rowCount, Job& job, int outcome,
                         BatchResult& result)
{
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
    m_jobs.SetStatus(row, job.status);
    if (m_observer != nullptr) {
        m_observer->RowFinished(row, job, outcome);
        m_observer->StatusLineChanged(StatusLineDone(row + 1, rowCount));
    }
}

}  // namespace Calvorn
