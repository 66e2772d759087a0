// The batch run: converts every row of a job list into one output folder.
//
//   JobList jobs;                       // filled by the window or the console
//   NameTables tables;                  // lives as long as the program run
//   BatchRun run(jobs, options, tables, messages);
//   run.SetObserver(&observer);         // optional
//   BatchResult result = run.Run(outputFolder, settings);
//
// Run checks the preconditions (rows present, output folder given, output folder exists) and
// reports a failing one as a warning through the message sink; loads the layer and field
// mapping files named by `settings` into the tables; converts each row from the top with the
// converter of its kind, setting the row's result (status image 9 converted, 8 empty, 10 failed;
// the outcome; the file's log lines, see LogBlock) and telling the observer; and shows the summary
// ("文件转换完成"). A file that fails only marks its row; the run goes on with the next.
//
// Run may be called on a worker thread; RequestStop may be called from any thread while it
// runs. The options, the tables and the job list must not be changed during a run.
//
// With SetThreadCount(n > 1) the files are converted on up to n threads of their own. Rows whose
// possible output names meet (OutputGroups) run on one thread in row order, so that the outcome,
// the outputs and their names are those of a run on one thread. Everything else looks the same
// too: the observer is called on the thread that called Run, for one row after the other in row
// order (Progress only for the row it is waiting on, possibly skipping positions), and each
// file's log lines are held back and written together, flushed, when the file and every row
// before it are done. A crash then loses the lines of the files in progress. A stop finishes the
// files in progress and starts no other. Each of the n threads counts as busy (CoreShare) until
// no file is left for it, so a large file takes a second, reading thread only for a core that no
// other file of the batch will want.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <vector>

#include "app/ConversionOptions.h"
#include "batch/BatchResult.h"
#include "batch/Job.h"
#include "convert/ConversionContext.h"

namespace Calvorn {

class BatchRunObserver;
class ConversionEngine;
class FileLog;
class JobList;
class MessageSink;
class NameTables;
class OutputTree;
struct PathSettings;

class BatchRun {
public:
    // Keeps references to the first four, which must outlive the run; the context's log gets
    // every file's lines (one file's together) and its output policy holds for every file.
    BatchRun(JobList& jobs, const ConversionOptions& options, NameTables& tables,
             MessageSink& messages, ConversionContext context = ProgramContext());

    // The observer (or null) must outlive the runs it follows.
    void SetObserver(BatchRunObserver* observer);

    // How many files may be converted at once (1, the default, converts on the calling thread;
    // values below 1 count as 1).
    void SetThreadCount(int count);

    // Keep the sources' folder tree: each file's outputs go into the subfolder of the output
    // folder that its Job::relative names (OutputTree). Off by default.
    void SetKeepTree(bool keepTree);

    // Files left out of the run because an earlier one converted them: counted in the summary.
    void SetSkippedCount(int count);

    // Runs the batch into `outputFolder` (as the user gave it; empty when not given), loading
    // the mapping files named by settings.LayerMap and settings.FieldMap first.
    BatchResult Run(const std::filesystem::path& outputFolder, const PathSettings& settings);

    // Asks the run to stop: it finishes the current file and converts no further row; the
    // summary then tells how many rows were left. Thread-safe. A request made while no run is
    // going on holds for the next run; every run ends with the request cleared.
    // A stop signal (StopSignal.h) stops the run at once instead: the files in progress end
    // without outputs, and count with the rows left.
    void RequestStop();
    bool StopRequested() const;

    // The three preconditions, with their warning shown through `messages` when one fails.
    static BatchPrecondition CheckPreconditions(const JobList& jobs,
                                                const std::filesystem::path& outputFolder,
                                                MessageSink& messages);

private:
    // What converting one row gave.
    struct RowEnd {
        int outcome = kOutcomeConverted;
        LogBlock log;
        ConversionFacts facts;
        double seconds = 0;
    };
    static RowEnd ConvertRow(ConversionEngine& engine, FileLog& log, const Job& job,
                             OutputTree& tree);

    // Convert the rows (statuses set, observer told, result counted); return the rows left
    // unconverted by a stop.
    std::size_t RunOnThisThread(std::vector<Job>& rows, OutputTree& tree, BatchResult& result);
    std::size_t RunOnThreads(std::vector<Job>& rows, OutputTree& tree, BatchResult& result);
    // The parts of RunOnThreads: what its threads share, a worker's loop over the groups, and
    // the calling thread's loop over the rows in order (observer, log blocks, counters).
    struct ThreadShare;
    void WorkOnGroups(ThreadShare& share, std::vector<Job>& rows, OutputTree& tree);
    std::size_t FollowRows(ThreadShare& share, std::vector<Job>& rows, BatchResult& result);
    // Waits for row `row` to be done or skipped, telling the observer of its start and progress
    // and of every file that completes meanwhile.
    void WaitForRow(ThreadShare& share, std::vector<Job>& rows, std::size_t row);
    // The bookkeeping after a row's conversion, the same for both: its result into `job` and
    // the observer's FileDone as soon as it is done; the counters, the list and RowFinished
    // in row order.
    void CompleteRow(std::size_t row, Job& job, RowEnd end);
    void FinishRow(std::size_t row, std::size_t rowCount, Job& job, BatchResult& result);

    JobList& m_jobs;
    const ConversionOptions& m_options;
    NameTables& m_tables;
    MessageSink& m_messages;
    ConversionContext m_context;
    BatchRunObserver* m_observer = nullptr;
    int m_threadCount = 1;
    bool m_keepTree = false;
    int m_skipped = 0;
    std::atomic<bool> m_stopRequested{false};
};

}  // namespace Calvorn
