// Runs a batch on a thread of its own, so the window stays painted and answers the user while
// files are converted. What the run reports (row starts, progress, status line, messages) is
// turned into signals, which reach the window on its own thread.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/ConversionOptions.h"
#include "app/MessageSink.h"
#include "batch/BatchResult.h"
#include "batch/BatchRun.h"
#include "batch/BatchRunObserver.h"

namespace Calvorn {

class JobList;
class NameTables;
struct PathSettings;

class BatchWorker : public QObject, private BatchRunObserver, private MessageSink {
    Q_OBJECT

public:
    // The job list and the tables must outlive the worker; neither may be changed by anyone
    // else while a run is going on.
    BatchWorker(JobList& jobs, NameTables& tables, QObject* parent = nullptr);
    // Stops a run that is still going on and waits for it.
    ~BatchWorker() override;

    // Starts a run with copies of the options and settings; false while one is going on.
    bool Start(const ConversionOptions& options, const PathSettings& settings,
               const std::filesystem::path& outputFolder);

    // Asks the run to stop after the current file. Any thread.
    void RequestStop();
    bool StopRequested() const;

    // Waits for the run's thread to end; call after RunFinished.
    void Wait();

    // What the last finished run did; valid after Wait.
    const BatchResult& Result() const { return m_result; }

signals:
    void RowStarting(int row);
    void ProgressChanged(int position);
    void StatusLine(const QString& text);
    void Message(const QString& text, const QString& caption, int icon);
    void RunFinished();

private:
    void RowStarted(std::size_t row, const Job& job) override;
    void Progress(int position) override;
    void StatusLineChanged(const std::string& text) override;
    void Show(const std::string& text, const std::string& caption, MessageIcon icon) override;

    JobList& m_jobs;
    NameTables& m_tables;
    ConversionOptions m_options;
    // A new run object for each run, so a stop request that comes too late for one run never
    // stops the next.
    std::unique_ptr<BatchRun> m_run;
    std::thread m_thread;
    BatchResult m_result;
};

}  // namespace Calvorn
