// A message recorder, an event recorder and the log's place for the batch tests.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/CConvertLog.h"
#include "app/ConversionOptions.h"
#include "app/MessageSink.h"
#include "app/NameTables.h"
#include "app/PathSettings.h"
#include "batch/BatchRun.h"
#include "batch/BatchRunObserver.h"
#include "batch/JobList.h"
#include "batch/JobListObserver.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TorvexFiles.h"

namespace CalvornTest {

// The texts of the messages shown (their captions and icons are the main window test's).
struct RecordingSink : Calvorn::MessageSink {
    void Show(const std::string& text, const std::string&, Calvorn::MessageIcon) override
    {
        shown.push_back(text);
    }
    std::vector<std::string> shown;
};

// What a job list and a run report: rows inserted ("+first,n") and removed ("-first,n") and
// status lines, in order; the rows started; each finished row's status and outcome.
struct EventRecorder : Calvorn::JobListObserver, Calvorn::BatchRunObserver {
    void RowsInserted(std::size_t first, std::size_t n) override { Add("+", first, n); }
    void RowsRemoved(std::size_t first, std::size_t n) override { Add("-", first, n); }
    void StatusLineChanged(const std::string& text) override { events.push_back(text); }
    void RowStarted(std::size_t row, const Calvorn::Job&) override { started.push_back(row); }
    void Progress(int position) override { lastProgress = position; }
    void RowFinished(std::size_t, const Calvorn::Job& job, int outcome) override
    {
        finished.push_back({job.status, outcome});
        if (stopAfterRow != nullptr) {
            stopAfterRow->RequestStop();
        }
    }
    void Add(const char* what, std::size_t first, std::size_t n)
    {
        events.push_back(what + std::to_string(first) + "," + std::to_string(n));
    }

    Calvorn::BatchRun* stopAfterRow = nullptr;  // asked to stop whenever a row finishes
    std::vector<std::string> events;
    std::vector<std::size_t> started;
    std::vector<std::pair<int, int>> finished;  // status image, outcome
    int lastProgress = -1;
};

// Conversions log into the test's folder, never beside the test program.
inline void LogInto(const TempDir& dir)
{
    Calvorn::CConvertLog::Get().SetFile(dir / "CalvornExp.log");
}

}  // namespace CalvornTest
