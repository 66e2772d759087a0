#include "convert/ConversionRun.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "app/PathText.h"
#include "app/TextFormat.h"
#include "app/UserText.h"
#include "convert/ConversionEngine.h"
#include "convert/OutputError.h"
#include "convert/OutputLimitError.h"
#include "convert/RecordLoop.h"
#include "convert/SourceChangedError.h"
#include "convert/SourceKinds.h"
#include "convert/StopSignal.h"
#include "projection/CPrjWriter.h"
#include "projection/CoordinateScale.h"
#include "torvex/Result.h"

namespace Calvorn {

namespace {

// The log line of a run ended by `error`.
std::string AbortLine(std::exception_ptr error)
{
    try {
        std::rethrow_exception(std::move(error));
    } catch (const OutputLimitError& e) {
        return Format("------E__输出文件【%s】将超过4GB上限，转换中止",
                      PathToUtf8(e.Component()).c_str());
    } catch (const std::exception& e) {
        return Format("------E__转换中止：%s", e.what());
    } catch (...) {
        return "------E__转换中止：unknown exception";
    }
}

}  // namespace

ConversionRun::ConversionRun(const ConversionOptions& options, const NameTables& tables,
                             const ConversionContext& context, const ProgressCallback* progress,
                             const char* function, std::filesystem::path source,
                             std::filesystem::path outputFolder, ConversionFacts* facts)
    : m_context(context),
      m_options(options),
      m_tables(tables),
      m_progress(progress != nullptr && *progress ? progress : nullptr),
      m_facts(facts),
      m_log(*context.log, function),
      m_source(std::move(source)),
      m_outputFolder(std::move(outputFolder))
{
    if (m_facts != nullptr) {
        *m_facts = ConversionFacts();
    }
}

ConversionRun::~ConversionRun()
{
    for (const auto& output : m_outputs) {
        output->CloseQuietly();
    }
    m_reader.Close();
    if (m_facts != nullptr) {
        m_facts->stored = m_slotCount;
        m_facts->live = m_liveCount;
        m_facts->written = TotalWritten();
    }
}

std::string ConversionRun::OpenFailureLine(int result)
{
    switch (result) {
        case Torvex::kOpenFailed:
            return "------结束转换【文件打开失败】------";
        case Torvex::kNotSystemFile:
            return "------结束转换【非系统文件错误】------";
        case Torvex::kNotTorvexFile:
            return "------结束转换【非Torvex文件】------";
        case Torvex::kFieldDefinitionError:
            return "------结束转换【属性字段定义错误】------";
        case Torvex::kWriteFailed:
            return "------结束转换【文件写入失败】------";
        case Torvex::kReadFailed:
            return "------结束转换【文件读取失败】------";
        default:
            return "------结束转换【发生未知错误】------";
    }
}

int ConversionRun::Guarded(LogSink& log, const char* function,
                           const std::function<int()>& body) noexcept
{
    try {
        return body();
    } catch (...) {
        try {
            RunLog(log, function).Write(AbortLine(std::current_exception()));
        } catch (...) {
        }
        try {
            throw;
        } catch (const StopSignalError&) {
            return kOutcomeStopped;
        } catch (...) {
            return kOutcomeRecordsLost;
        }
    }
}

bool ConversionRun::Open()
{
    m_log.Write(Format("开始转换【%s】------", PathToUtf8(m_source).c_str()));
    const int result = m_reader.Open(m_source, 1);
    if (result < 0) {
        m_log.Write(OpenFailureLine(result));
        m_outcome = kOutcomeOpenFailed;
        return false;
    }
    return true;
}

bool ConversionRun::CheckRecordCounts()
{
    m_liveCount = m_reader.GetInfo(&m_slotCount, &m_shapeType, nullptr);
    if (static_cast<long long>(m_slotCount) !=
        static_cast<long long>(m_reader.GetRecordCount()) - 1) {
        m_reader.Close();
        m_log.Write("------结束转换【文件图形记录与属性记录不匹配】------");
        m_outcome = kOutcomeCountMismatch;
        return false;
    }
    return true;
}

void ConversionRun::TakeTableRowCount()
{
    // The rows are the slots the file holds: the header's attribute record count can claim
    // billions of rows, which would become blank ones.
    m_reader.GetInfo(&m_slotCount, nullptr, nullptr);
    m_liveCount = m_slotCount;
    const int claimed = std::max(m_reader.GetRecordCount() - 1, 0);
    if (claimed != m_slotCount) {
        m_log.Write(Format("------W__文件声明【%d】条记录，实际存储【%d】条，按实际存储的记录转换",
                           claimed, m_slotCount));
    }
}

std::filesystem::path ConversionRun::JoinedPath() const
{
    // stem() strips the last extension only: "my.roads.wl" gives "my.roads".
    const std::string baseName = PathToUtf8(m_source.filename().stem());
    std::string mapped = m_tables.LookupLayerName(baseName);
    // An entry mapping to the empty text would name the outputs ".shp", ".dbf": keep the name.
    if (mapped.empty()) {
        mapped = baseName;
    }
    return m_outputFolder / Utf8ToPath(mapped);
}

std::filesystem::path ConversionRun::SuffixedPath(const char* suffix) const
{
    std::filesystem::path path = JoinedPath();
    path += suffix;
    return path;
}

OutputNameSequence ConversionRun::SuffixedNames(Torvex::FileKind kind) const
{
    return OutputNameSequence(JoinedPath(), SuffixedPath(FindSourceKind(kind)->suffix));
}

OutputSet& ConversionRun::AddOutput(const OutputNameSequence& names, OutputKind kind)
{
    auto notice = [this](const std::filesystem::path& component) {
        m_log.Write(Format("------W__输出文件【%s】超过2GB，部分软件可能无法读取",
                           PathToUtf8(component).c_str()));
    };
    m_outputs.push_back(std::make_unique<OutputSet>(names, names.FirstFree(0, kind), kind, notice));
    OutputSet& output = *m_outputs.back();
    WriteNumberedNameLine(output);
    return output;
}

void ConversionRun::WriteNumberedNameLine(const OutputSet& output)
{
    const OutputNameSequence& names = output.Names();
    if (!names.IsNumbered(output.NameIndex())) {
        return;
    }
    const auto fileName = [&output](const std::filesystem::path& base) {
        return PathToUtf8(base.filename()) + output.MainExtension();
    };
    m_log.Write(Format("------W__输出文件【%s】已存在，改为写入【%s】",
                       fileName(names.NumberedBase()).c_str(),
                       fileName(output.BasePath()).c_str()));
}

void ConversionRun::MoveIntoPlace(OutputSet& output)
{
    const std::size_t chosen = output.NameIndex();
    output.MoveIntoPlace();
    if (m_facts != nullptr) {
        m_facts->outputs.insert(m_facts->outputs.end(), output.PlacedFiles().begin(),
                                output.PlacedFiles().end());
    }
    if (output.NameIndex() != chosen) {
        WriteNumberedNameLine(output);
    }
}

void ConversionRun::ApplyProjection()
{
    m_scale = 1.0;
    if (m_options.OutputProjection != 1) {
        return;
    }
    Torvex::MAP_PARAstruct record{};
    if (m_reader.GetProjection(&record) != 1) {
        return;  // no projection record: nothing to describe, coordinates as stored
    }
    m_scale = CoordinateScale(record);
    const CPrjWriter writer;
    for (const auto& output : m_outputs) {
        output->WritePrj(writer, record);  // a .prj that cannot be written is left out
    }
}

bool ConversionRun::CreateOutputs()
{
    std::filesystem::path failedFile;
    try {
        for (const auto& output : m_outputs) {
            output->Create(m_shapeType, m_context.output, failedFile);
        }
        return true;
    } catch (...) {
        std::error_code cause;
        try {
            throw;
        } catch (const OutputError& e) {
            cause = e.Cause();
        } catch (...) {
        }
        for (const auto& output : m_outputs) {
            output->Discard();
        }
        m_reader.Close();
        std::string line =
            Format("------E__无法创建输出文件【%s】", PathToUtf8(failedFile).c_str());
        if (cause) {
            line += "：" + SystemErrorText(cause);
        }
        m_log.Write(line);
        m_outcome = kOutcomeRecordsLost;
        return false;
    }
}

bool ConversionRun::DefineFields(const std::function<void()>& define)
{
    try {
        define();
        return true;
    } catch (...) {
        Abort(kOutcomeFieldError, std::current_exception());
        return false;
    }
}

bool ConversionRun::ConvertSlots(const SlotReader& read)
{
    try {
        // Rows are filled against the layouts: every field, "FID" included, is there first.
        std::vector<const DbfLayout*> layouts;
        for (const auto& output : m_outputs) {
            output->Dbf().EnsureAtLeastOneField();
            layouts.push_back(&output->Dbf().Layout());
        }
        RunRecordLoop(
            m_context.threads, m_slotCount, layouts,
            [&](int slot, RecordBatch& batch) {
                ThrowIfStopSignalled();
                const int result = read(slot, batch);
                if (result == Torvex::kDeleted) {
                    batch.AddSlot(slot);
                    batch.AddLine(Format("------I__第【%d】条记录中被标记为已删除", slot));
                } else if (result == Torvex::kReadFailed) {
                    batch.AddSlot(slot);
                    batch.AddLine(Format("------F__第【%d】条记录发生未知读取错误", slot));
                } else if (result == Torvex::kSourceChanged) {
                    throw SourceChangedError();
                }
            },
            [this](RecordBatch& batch) { WriteBatch(batch); });
        return true;
    } catch (...) {
        Abort(kOutcomeRecordsLost, std::current_exception());
        return false;
    }
}

bool ConversionRun::AddShapeRecord(RecordBatch& batch, int slot, const OutputSet& output)
{
    return batch.AddShapeRecord(slot, IndexOf(output), m_reader, m_shapeType, m_scale);
}

int ConversionRun::IndexOf(const OutputSet& output) const
{
    for (std::size_t i = 0; i < m_outputs.size(); ++i) {
        if (m_outputs[i].get() == &output) {
            return static_cast<int>(i);
        }
    }
    throw std::logic_error("not an output of this run");
}

void ConversionRun::WriteBatch(RecordBatch& batch)
{
    const auto writeLines = [&](std::size_t first, std::size_t count) {
        for (std::size_t k = first; k < first + count; ++k) {
            m_log.Write(std::string(batch.Line(k)));
        }
    };
    batch.CompleteRows();
    for (std::size_t i = 0; i < batch.Size(); ++i) {
        ThrowIfStopSignalled();
        const RecordBatch::Entry& entry = batch.At(i);
        writeLines(entry.firstLine, entry.linesBefore);
        if (entry.output >= 0) {
            OutputSet& output = *m_outputs[static_cast<std::size_t>(entry.output)];
            if (entry.shapeType == 0) {
                output.AppendRow(batch.RowOf(entry));
            } else {
                Torvex::Geometry shape = batch.ShapeToWrite(i);
                output.WriteRecord(entry.nullShape ? nullptr : &shape, batch.RowOf(entry));
            }
            ReportProgress();
        }
        writeLines(entry.firstLine + entry.linesBefore, entry.lineCount - entry.linesBefore);
    }
}

int ConversionRun::Finish(bool emptyDeletionLine)
{
    try {
        CloseAll();
        // A signal that came after the last record still stops the file: it is not done
        // before its outputs are in place.
        ThrowIfStopSignalled();
    } catch (...) {
        Abort(kOutcomeRecordsLost, std::current_exception());
        return m_outcome;
    }
    const int written = TotalWritten();
    bool deleted = false;
    try {
        for (const auto& output : m_outputs) {
            if (m_options.DeleteEmptyResults == 1 && output->Written() == 0) {
                output->Discard();
                deleted = true;
            } else {
                MoveIntoPlace(*output);
            }
        }
    } catch (...) {
        Abort(kOutcomeRecordsLost, std::current_exception());
        return m_outcome;
    }
    if (written == 0 && m_liveCount == 0) {
        m_log.Write("------结束转换【文件为空文件(0/0)】------");
        if (deleted && emptyDeletionLine) {
            m_log.Write("------文件为空,已被删除！------");
        }
        m_outcome = kOutcomeEmpty;
    } else if (written == m_liveCount) {
        m_log.Write(Format("------结束转换【全部正确转换(%d/%d)】------", written, m_liveCount));
        m_outcome = kOutcomeConverted;
    } else {
        // Live records that could not be read are lost, not an empty file, even when none
        // was written.
        m_log.Write(Format("------结束转换【发生未知错误(%d/%d)】------", written, m_liveCount));
        m_outcome = kOutcomeRecordsLost;
    }
    return m_outcome;
}

int ConversionRun::TotalWritten() const
{
    int total = 0;
    for (const auto& output : m_outputs) {
        total += output->Written();
    }
    return total;
}

void ConversionRun::ReportProgress()
{
    // Every record comes here: the position is worked out only when it may have changed.
    if (m_progress == nullptr || m_liveCount <= 0 || ++m_progressCount < m_nextProgressCount) {
        return;
    }
    const std::int64_t written = TotalWritten();
    const auto position = static_cast<int>(written * 100 / m_liveCount);
    // The first count at which the position moves on: ceil((position + 1) * live / 100).
    m_nextProgressCount = (static_cast<std::int64_t>(position + 1) * m_liveCount + 99) / 100;
    m_progressCount = written;
    if (position != m_lastProgress) {
        m_lastProgress = position;
        (*m_progress)(position);
    }
}

void ConversionRun::Abort(int outcome, std::exception_ptr error)
{
    bool stopped = false;
    try {
        std::rethrow_exception(error);
    } catch (const StopSignalError&) {
        stopped = true;
    } catch (...) {
    }
    m_reader.Close();
    // Every shape got its row when it was written, so the files kept agree. A stopped file is
    // not done: nothing of it goes under a final name; an output left without a record is an
    // empty result like any other.
    for (const auto& output : m_outputs) {
        output->CloseQuietly();
        if (stopped || (m_options.DeleteEmptyResults == 1 && output->Written() == 0)) {
            output->Discard();
            continue;
        }
        try {
            MoveIntoPlace(*output);
        } catch (...) {
            output->Discard();
        }
    }
    m_log.Write(AbortLine(std::move(error)));
    m_outcome = stopped ? kOutcomeStopped : outcome;
}

void ConversionRun::CloseAll()
{
    std::exception_ptr first;
    for (const auto& output : m_outputs) {
        try {
            output->Close();
        } catch (...) {
            if (!first) {
                first = std::current_exception();
            }
        }
    }
    m_reader.Close();
    if (first) {
        std::rethrow_exception(first);
    }
}

}  // namespace Calvorn
