#include "batch/BatchRun.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <numeric>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/CConvertLog.h"
#include "app/LogBlock.h"
#include "app/MessageSink.h"
#include "app/NameTables.h"
#include "app/PathSettings.h"
#include "app/PathText.h"
#include "app/TextFormat.h"
#include "batch/BatchRunObserver.h"
#include "batch/FileLog.h"
#include "batch/JobList.h"
#include "batch/OutputGroups.h"
#include "batch/OutputTree.h"
#include "batch/StatusLine.h"
#include "convert/ConversionEngine.h"
#include "convert/CoreShare.h"
#include "convert/RunLog.h"
#include "convert/StopSignal.h"

namespace Calvorn {

namespace {

constexpr const char* kWarningCaption = "警告";
constexpr const char* kSummaryCaption = "文件转换完成";

// A stopped run clears the result of a row it left, so that none of them shows the result of
// an earlier run as if it were this one's.
void ClearResult(JobList& jobs, const std::vector<Job>& rows, std::size_t row)
{
    if (rows[row].status != kStatusNone || !rows[row].log.Empty()) {
        jobs.SetResult(row, kStatusNone, kOutcomeConverted, LogBlock());
    }
}

}  // namespace

// Converts one row into its folder of the output tree, with the lines it logs copied into the
// result's log. A row a scan could not take fails as a file that cannot be opened, without a
// conversion (and so without log lines of its own); a row whose output folder cannot be made
// fails as a file whose outputs cannot be created.
BatchRun::RowEnd BatchRun::ConvertRow(ConversionEngine& engine, FileLog& log, const Job& job,
                                      OutputTree& tree)
{
    RowEnd end;
    if (!job.problem.empty()) {
        end.outcome = kOutcomeOpenFailed;
        return end;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::filesystem::path folder = tree.FolderFor(job);
    if (const std::string problem = tree.Prepare(folder); !problem.empty()) {
        const RunLog runLog(log, "CCalvornDlg::OnStartConvert");
        runLog.Write(Format("开始转换【%s】------", PathToUtf8(job.source).c_str()));
        runLog.Write(Format("------E__无法创建输出文件夹【%s】：%s", PathToUtf8(folder).c_str(),
                            problem.c_str()));
        end.outcome = kOutcomeRecordsLost;
    } else if (job.kind) {
        end.outcome = engine.Convert(*job.kind, job.source, folder, 1);
        end.facts = engine.LastFacts();
    } else {
        end.outcome = kOutcomeNoConverter;
    }
    end.log = log.TakeBlock();
    end.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return end;
}

BatchRun::BatchRun(JobList& jobs, const ConversionOptions& options, NameTables& tables,
                   MessageSink& messages, ConversionContext context)
    : m_jobs(jobs),
      m_options(options),
      m_tables(tables),
      m_messages(messages),
      m_context(std::move(context))
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

void BatchRun::SetKeepTree(bool keepTree)
{
    m_keepTree = keepTree;
}

void BatchRun::SetSkippedCount(int count)
{
    m_skipped = count;
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
    // What runs that died while writing into the output folder left behind goes first; a
    // subfolder of a kept tree is cleared when its first file comes.
    OutputTree tree(outputFolder, m_keepTree);
    tree.Prepare(outputFolder);

    // The rows as the run found them; the list must not change while it runs.
    std::vector<Job> rows = m_jobs.Rows();
    if (m_observer != nullptr) {
        m_observer->RunStarted(rows.size());
    }
    const std::size_t left = m_threadCount > 1 && rows.size() > 1
                                 ? RunOnThreads(rows, tree, result)
                                 : RunOnThisThread(rows, tree, result);
    result.notConverted = static_cast<int>(left);
    result.skipped = m_skipped;
    result.stopSignal = StopSignal();

    m_messages.Show(result.SummaryText(), kSummaryCaption, MessageIcon::Information);
    m_stopRequested.store(false);
    return result;
}

std::size_t BatchRun::RunOnThisThread(std::vector<Job>& rows, OutputTree& tree, BatchResult& result)
{
    FileLog log(*m_context.log, false);
    ConversionEngine engine(m_options, m_tables, ConversionContext{&log, m_context.output});
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
        RowEnd end = ConvertRow(engine, log, job, tree);
        if (end.outcome == kOutcomeStopped) {
            break;  // not converted: counted with the rows left
        }
        CompleteRow(done, job, std::move(end));
        FinishRow(done, rows.size(), job, result);
    }
    for (std::size_t row = done; row < rows.size(); ++row) {
        ClearResult(m_jobs, rows, row);
    }
    return rows.size() - done;
}

namespace {

// The groups of rows that may meet, larger ones first, so that the last ones to finish are small.
std::vector<std::vector<std::size_t>> GroupsLargestFirst(const std::vector<Job>& rows,
                                                         const NameTables& tables, OutputTree& tree)
{
    std::vector<std::vector<std::size_t>> groups =
        OutputGroups(rows, tables, [&tree](const Job& job) { return tree.FolderFor(job); });
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
    std::vector<std::vector<std::size_t>> sorted;
    for (const std::size_t g : order) {
        sorted.push_back(std::move(groups[g]));
    }
    return sorted;
}

}  // namespace

struct BatchRun::ThreadShare {
    enum class Phase { Waiting, Running, Done, Skipped };
    struct RowState {
        Phase phase = Phase::Waiting;
        int progress = -1;
        std::vector<std::string> log;  // the file's lines, held until they are written in row order
        RowEnd end;                    // the outcome, the same lines for the observer, the facts
    };

    std::vector<std::vector<std::size_t>> groups;
    std::vector<RowState> states;
    std::deque<std::size_t> completed;  // rows done whose completion the observer has not heard
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<std::size_t> nextGroup{0};
    std::atomic<bool> abandoned{false};  // the calling thread left early: workers start no file
};

std::size_t BatchRun::RunOnThreads(std::vector<Job>& rows, OutputTree& tree, BatchResult& result)
{
    ThreadShare share;
    share.groups = GroupsLargestFirst(rows, m_tables, tree);
    share.states.resize(rows.size());

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
    } workers{share.abandoned, {}};
    const std::size_t wanted =
        std::min(static_cast<std::size_t>(m_threadCount), share.groups.size());
    for (std::size_t t = 0; t < wanted; ++t) {
        try {
            workers.threads.emplace_back([&] { WorkOnGroups(share, rows, tree); });
        } catch (const std::system_error&) {
            break;  // fewer threads than asked for still convert every row
        }
    }
    if (workers.threads.empty()) {
        return RunOnThisThread(rows, tree, result);
    }
    return FollowRows(share, rows, result);
}

void BatchRun::WorkOnGroups(ThreadShare& share, std::vector<Job>& rows, OutputTree& tree)
{
    using Phase = ThreadShare::Phase;
    // Busy until no group is left, also between files: a file's reading thread takes only a
    // core that no file of this batch will want.
    const BusyThread busy;
    FileLog log(*m_context.log, true);
    ConversionEngine engine(m_options, m_tables, ConversionContext{&log, m_context.output});
    std::size_t current = 0;
    if (m_observer != nullptr) {
        engine.SetProgressCallback([&](int position) {
            std::lock_guard<std::mutex> lock(share.mutex);
            share.states[current].progress = position;
            share.changed.notify_all();
        });
    }
    for (std::size_t g = share.nextGroup++; g < share.groups.size(); g = share.nextGroup++) {
        for (const std::size_t row : share.groups[g]) {
            current = row;
            const bool stop = StopRequested() || share.abandoned.load();
            {
                std::lock_guard<std::mutex> lock(share.mutex);
                share.states[row].phase = stop ? Phase::Skipped : Phase::Running;
                share.changed.notify_all();
            }
            if (stop) {
                continue;
            }
            RowEnd end;
            end.outcome = kOutcomeRecordsLost;
            try {
                end = ConvertRow(engine, log, rows[row], tree);
            } catch (...) {
                // Converters report by outcome; only memory running out gets here.
            }
            std::lock_guard<std::mutex> lock(share.mutex);
            share.states[row].log = log.TakeHeld();
            share.states[row].end = std::move(end);
            share.states[row].phase = Phase::Done;
            share.completed.push_back(row);
            share.changed.notify_all();
        }
    }
}

void BatchRun::WaitForRow(ThreadShare& share, std::vector<Job>& rows, std::size_t row)
{
    using Phase = ThreadShare::Phase;
    const bool reportProgress = m_observer != nullptr;
    bool started = false;
    int shown = -1;
    std::unique_lock<std::mutex> lock(share.mutex);
    for (;;) {
        share.changed.wait(lock, [&] {
            const ThreadShare::RowState& state = share.states[row];
            return !share.completed.empty() || state.phase == Phase::Done ||
                   state.phase == Phase::Skipped ||
                   (reportProgress && state.phase == Phase::Running &&
                    (!started || state.progress != shown));
        });
        ThreadShare::RowState& state = share.states[row];
        if (reportProgress && !started &&
            (state.phase == Phase::Running || state.phase == Phase::Done)) {
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
        // Files are told done as they complete, whichever row they are. The row's own end is
        // looked at only with the queue drained and the lock held since: a row found done has
        // been told done (its completion is queued in the same step).
        while (!share.completed.empty()) {
            const std::size_t done = share.completed.front();
            share.completed.pop_front();
            if (share.states[done].end.outcome == kOutcomeStopped) {
                continue;
            }
            RowEnd end = std::move(share.states[done].end);
            lock.unlock();
            CompleteRow(done, rows[done], std::move(end));
            lock.lock();
        }
        if (state.phase == Phase::Skipped || state.phase == Phase::Done) {
            return;
        }
    }
}

std::size_t BatchRun::FollowRows(ThreadShare& share, std::vector<Job>& rows, BatchResult& result)
{
    // This thread tells the observer about one row after the other and writes the logs.
    std::size_t left = 0;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        WaitForRow(share, rows, row);
        std::unique_lock<std::mutex> lock(share.mutex);
        ThreadShare::RowState& state = share.states[row];
        const std::vector<std::string> log = std::move(state.log);
        const bool stopped =
            state.phase == ThreadShare::Phase::Skipped || state.end.outcome == kOutcomeStopped;
        lock.unlock();
        // A file stopped by a signal still tells its story, up to the abort line.
        m_context.log->WriteBlock(log);
        if (stopped) {
            ++left;
            ClearResult(m_jobs, rows, row);
            continue;
        }
        FinishRow(row, rows.size(), rows[row], result);
    }
    return left;
}

void BatchRun::CompleteRow(std::size_t row, Job& job, RowEnd end)
{
    job.status = StatusForOutcome(end.outcome);
    job.outcome = end.outcome;
    job.log = std::move(end.log);
    job.facts = std::move(end.facts);
    job.seconds = end.seconds;
    if (m_observer != nullptr) {
        m_observer->FileDone(row, job);
    }
}

void BatchRun::FinishRow(std::size_t row, std::size_t rowCount, Job& job, BatchResult& result)
{
    const int outcome = job.outcome;
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
    m_jobs.SetResult(row, job.status, outcome, job.log);
    if (m_observer != nullptr) {
        m_observer->RowFinished(row, job, outcome);
        m_observer->StatusLineChanged(StatusLineDone(row + 1, rowCount));
    }
    // The list keeps the log; this copy of the rows need not keep it, nor the facts.
    job.log.Clear();
    job.facts = ConversionFacts();
}

}  // namespace Calvorn
