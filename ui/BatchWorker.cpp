#include "ui/BatchWorker.h"

#include "app/PathSettings.h"
#include "batch/JobList.h"

namespace Calvorn {

BatchWorker::BatchWorker(JobList& jobs, NameTables& tables, QObject* parent)
    : QObject(parent), m_jobs(jobs), m_tables(tables)
{
}

BatchWorker::~BatchWorker()
{
    RequestStop();
    Wait();
}

bool BatchWorker::Start(const ConversionOptions& options, const PathSettings& settings,
                        const std::filesystem::path& outputFolder)
{
    if (m_thread.joinable()) {
        return false;
    }
    m_options = options;
    m_result = BatchResult();
    MessageSink& messages = *this;
    BatchRunObserver* observer = this;
    m_run = std::make_unique<BatchRun>(m_jobs, m_options, m_tables, messages);
    m_run->SetObserver(observer);
    m_thread = std::thread([this, settings, outputFolder] {
        m_result = m_run->Run(outputFolder, settings);
        emit RunFinished();
    });
    return true;
}

void BatchWorker::RequestStop()
{
    if (m_run && m_thread.joinable()) {
        m_run->RequestStop();
    }
}

bool BatchWorker::StopRequested() const
{
    return m_run && m_run->StopRequested();
}

void BatchWorker::Wait()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void BatchWorker::RowStarted(std::size_t row, const Job&)
{
    emit RowStarting(static_cast<int>(row));
}

void BatchWorker::Progress(int position)
{
    emit ProgressChanged(position);
}

void BatchWorker::StatusLineChanged(const std::string& text)
{
    emit StatusLine(QString::fromStdString(text));
}

void BatchWorker::Show(const std::string& text, const std::string& caption, MessageIcon icon)
{
    // The window shows it when the run has ended; the worker must never wait for the user.
    emit Message(QString::fromStdString(text), QString::fromStdString(caption),
                 static_cast<int>(icon));
}

}  // namespace Calvorn
