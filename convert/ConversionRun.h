// One run of a converter over one source file: the steps every converter shares (start line,
// opening, the count check, naming the outputs, the .prj, creating the outputs, the record
// loop, closing, removing empty results, the end line) with the counts and outputs they work
// on. A converter drives it step by step and adds what is particular to its file type; a step
// that ends the run returns false, and the converter then returns Outcome().
//
// The run owns every resource (reader, outputs, geometry), so every way out of it, exceptions
// included, closes every handle.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ConversionOptions.h"
#include "app/NameTables.h"
#include "convert/ConversionContext.h"
#include "convert/ConversionFacts.h"
#include "convert/OutputNames.h"
#include "convert/OutputSet.h"
#include "convert/RecordBatch.h"
#include "convert/RunLog.h"
#include "torvex/Geometry.h"
#include "torvex/Torvex_Writer.h"

namespace Calvorn {

class ConversionRun {
public:
    using ProgressCallback = std::function<void(int)>;
    // The reading side of one slot: reads it with the converter's read call and, when that read
    // the record, adds it to the batch (AddShapeRecord, its row and lines); returns the reader's
    // result. It may run on a thread of its own: it may use the reader, the batch and what
    // does not change during the loop, never the outputs or the log.
    using SlotReader = std::function<int(int slot, RecordBatch& batch)>;

    // `progress` may be null (no progress reported). `function` is the converter's qualified
    // name for the log. `facts` (may be null) is emptied now and holds the run's counts and
    // final output paths when the run ends, whichever way it ends.
    ConversionRun(const ConversionOptions& options, const NameTables& tables,
                  const ConversionContext& context, const ProgressCallback* progress,
                  const char* function, std::filesystem::path source,
                  std::filesystem::path outputFolder, ConversionFacts* facts = nullptr);
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // Writes the start line and opens the source; false (outcome 1, its end line) when it
    // cannot be opened.
    bool Open();

    // Takes the live record count, the slot count and the shape type; false (outcome 2) when
    // the slot count is not the attribute record count minus 1.
    bool CheckRecordCounts();

    // Tables: the rows are the stored slots; they stand for both counts. When the attribute
    // record count minus 1 claims another number, a warning line says so.
    void TakeTableRowCount();

    // The output folder joined with the source's base name, mapped through the layer-name
    // table.
    std::filesystem::path JoinedPath() const;
    // JoinedPath() with `suffix` ("_ANN") appended.
    std::filesystem::path SuffixedPath(const char* suffix) const;
    // The names of an output of a file of `kind`: JoinedPath(), then SuffixedPath() with the
    // kind's suffix ("_WL", SourceKinds), then that with "_2", "_3", ...
    OutputNameSequence SuffixedNames(Torvex::FileKind kind) const;

    // Adds an output under the first of `names` that nothing stands under yet, with the line
    // "输出文件【…】已存在，改为写入【…】" when that is a numbered one; the reference stays valid
    // for the whole run.
    OutputSet& AddOutput(const OutputNameSequence& names, OutputKind kind);

    // With OutputProjection on and a projection record in the source: takes its scale factor
    // and writes the .prj of every Shapefile output (a .prj that cannot be written is skipped).
    // Call after adding the outputs and before creating them.
    void ApplyProjection();

    // Creates every output. False (outcome 4, "无法创建输出文件") when one cannot be created;
    // nothing this run created is left then.
    bool CreateOutputs();

    // Runs the field definitions; false (outcome 6) when they throw.
    bool DefineFields(const std::function<void()>& define);

    // The record loop over every slot (RecordLoop): reads, then writes what was read, logs
    // deleted and unreadable slots, reports progress. False (outcome 4) when it throws. Tables:
    // `read` adds a record for every row.
    bool ConvertSlots(const SlotReader& read);

    // Reading side: adds the record of `slot` for `output` with the shape the reader read for
    // it, rescaled by the run's factor; false, adding nothing, when the reader cannot give it.
    bool AddShapeRecord(RecordBatch& batch, int slot, const OutputSet& output);
    // The index of one of this run's outputs in the batches' records.
    int IndexOf(const OutputSet& output) const;

    // Closes everything, removes empty outputs when DeleteEmptyResults is on, moves the others
    // to their final names, writes the end line and returns the outcome. `emptyDeletionLine`:
    // write "文件为空,已被删除！" after the empty-file end line when the outputs were removed.
    int Finish(bool emptyDeletionLine = true);

    int Outcome() const { return m_outcome; }
    const RunLog& Log() const { return m_log; }
    Torvex::Torvex_Writer& Reader() { return m_reader; }
    const ConversionOptions& Options() const { return m_options; }
    const NameTables& Tables() const { return m_tables; }
    int LiveCount() const { return m_liveCount; }
    int SlotCount() const { return m_slotCount; }
    int ShapeType() const { return m_shapeType; }
    double ScaleFactor() const { return m_scale; }
    int TotalWritten() const;

    // The end line of an Open failure with `result`.
    static std::string OpenFailureLine(int result);

    // Runs a converter's body; an exception that escapes it (one no step caught) ends the
    // conversion with outcome 4 and the abort line, so converters never throw.
    static int Guarded(LogSink& log, const char* function,
                       const std::function<int()>& body) noexcept;

private:
    // Writing side: the batch's records and lines, in order.
    void WriteBatch(RecordBatch& batch);
    void ReportProgress();
    // Ends the run after an exception: outputs closed and moved into place with the records
    // they hold (removed when a signal stopped the run), the abort line, `outcome`.
    void Abort(int outcome, std::exception_ptr error);
    void CloseAll();
    // Moves an output to its final names, with the line for a numbered name it had to take
    // because another process took the one chosen.
    void MoveIntoPlace(OutputSet& output);
    // "------W__输出文件【roads_WL.shp】已存在，改为写入【roads_WL_2.shp】" for a numbered name.
    void WriteNumberedNameLine(const OutputSet& output);

    const ConversionContext& m_context;
    const ConversionOptions& m_options;
    const NameTables& m_tables;
    const ProgressCallback* m_progress;
    ConversionFacts* m_facts;
    RunLog m_log;
    std::filesystem::path m_source;
    std::filesystem::path m_outputFolder;
    Torvex::Torvex_Writer m_reader;
    std::vector<std::unique_ptr<OutputSet>> m_outputs;
    int m_liveCount = 0;
    int m_slotCount = 0;
    int m_shapeType = 0;
    double m_scale = 1.0;
    int m_lastProgress = -1;
    std::int64_t m_progressCount = 0;      // records written, as far as progress knows
    std::int64_t m_nextProgressCount = 0;  // the count at which the position next changes
    int m_outcome = 0;
};

}  // namespace Calvorn
