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
// converter of its kind, setting the row's status image (9 converted, 8 empty, 10 failed) and
// telling the observer; and shows the summary ("文件转换完成"). A file that fails only marks
// its row; the run goes on with the next.
//
// Run may be called on a worker thread; RequestStop may be called from any thread while it
// runs. The options, the tables and the job list must not be changed during a run.
#pragma once

#include <atomic>
#include <filesystem>

#include "app/ConversionOptions.h"
#include "batch/BatchResult.h"

namespace Calvorn {

class BatchRunObserver;
class JobList;
class MessageSink;
class NameTables;
struct PathSettings;

class BatchRun {
public:
    // Keeps references to all four; they must outlive the run.
    BatchRun(JobList& jobs, const ConversionOptions& options, NameTables& tables,
             MessageSink& messages);

    // The observer (or null) must outlive the runs it follows.
    void SetObserver(BatchRunObserver* observer);

    // Runs the batch into `outputFolder` (as the user gave it; empty when not given), loading
    // the mapping files named by settings.LayerMap and settings.FieldMap first.
    BatchResult Run(const std::filesystem::path& outputFolder, const PathSettings& settings);

    // Asks the run to stop: it finishes the current file and converts no further row; the
    // summary then tells how many rows were left. Thread-safe. A request made while no run is
    // going on holds for the next run; every run ends with the request cleared.
    void RequestStop();
    bool StopRequested() const;

    // The three preconditions, with their warning shown through `messages` when one fails.
    static BatchPrecondition CheckPreconditions(const JobList& jobs,
                                                const std::filesystem::path& outputFolder,
                                                MessageSink& messages);

private:
    JobList& m_jobs;
    const ConversionOptions& m_options;
    NameTables& m_tables;
    MessageSink& m_messages;
    BatchRunObserver* m_observer = nullptr;
    std::atomic<bool> m_stopRequested{false};
};

}  // namespace Calvorn
