// Converts one Torvex source file into its outputs. Knows nothing of windows: the desktop
// program, the console tool and the batch run all hold an engine and call its converters.
// The converters never throw; they report through the conversion log and their outcome.
#pragma once

#include <filesystem>
#include <functional>
#include <span>

#include "app/ConversionOptions.h"
#include "app/NameTables.h"
#include "convert/ConversionContext.h"
#include "convert/ConversionFacts.h"
#include "torvex/Geometry.h"
#include "torvex/Result.h"

namespace Torvex {
class Torvex_Writer;
}  // namespace Torvex

namespace Calvorn {

class RecordBatch;
class StyleFields;
struct StyleFieldDef;

// Conversion outcomes returned by the converters.
enum Outcome : int {
    kOutcomeConverted = 0,      // every live record written
    kOutcomeOpenFailed = 1,     // the source cannot be opened
    kOutcomeCountMismatch = 2,  // graphic and attribute record counts differ
    kOutcomeRecordsLost = 4,    // fewer records written than live, or an error while writing
    kOutcomeFieldError = 6,     // an error while defining the fields
    kOutcomeEmpty = 10,         // no record written
    kOutcomeNoConverter = -1,   // no converter for the file's extension
    kOutcomeStopped = -2,       // a signal stopped the conversion: nothing of it was kept
};

class ConversionEngine {
public:
    // Receives the progress position 0..100 (written × 100 / live count); called only when
    // the position changes.
    using ProgressCallback = std::function<void(int)>;

    // The engine keeps references: options, tables and the context's log must outlive it.
    ConversionEngine(const ConversionOptions& options, const NameTables& tables,
                     ConversionContext context);

    // An empty callback is the same as progress flag 0.
    void SetProgressCallback(ProgressCallback callback);

    // Each takes the source path, the output folder and the progress flag (non-zero: report
    // progress through the callback) and returns an Outcome.
    int ConvertArc2Shp(const std::filesystem::path& source,
                       const std::filesystem::path& outputFolder, int progressFlag);
    int ConvertPoint2Shp(const std::filesystem::path& source,
                         const std::filesystem::path& outputFolder, int progressFlag);
    int ConvertPolygon2Shp(const std::filesystem::path& source,
                           const std::filesystem::path& outputFolder, int progressFlag);
    int ConvertWB2DBF(const std::filesystem::path& source,
                      const std::filesystem::path& outputFolder, int progressFlag);

    // The converter of `kind` (SourceKinds); kOutcomeNoConverter for a kind none takes.
    int Convert(Torvex::FileKind kind, const std::filesystem::path& source,
                const std::filesystem::path& outputFolder, int progressFlag);

    // The counts and final output paths of the last conversion this engine ran (all empty when
    // none ran, or no converter took the file).
    const ConversionFacts& LastFacts() const { return m_facts; }

private:
    // The callback a run reports progress through: none for progress flag 0.
    const ProgressCallback* ProgressFor(int progressFlag) const;

    // How a converter with one Shapefile output (lines, polygons) differs from the others. The
    // three run on the reading side of the record loop.
    struct SingleShapefile {
        const char* function;   // qualified name for the log
        Torvex::FileKind kind;  // its suffix (SourceKinds)
        std::span<const StyleFieldDef> styleFields;
        // Reads a slot's graphic-parameter record with the converter's read call (the shape
        // comes after); returns the reader's result.
        std::function<int(Torvex::Torvex_Writer& reader, int slot)> read;
        // Repairs the shape of the batch's current record; empty when it needs none.
        std::function<void(RecordBatch& batch, int slot)> repair;
        // Writes the graphic parameters of the slot last read into the current record's row.
        std::function<void(const StyleFields& style, RecordBatch& batch, int slot)> writeStyle;
    };
    int ConvertToOneShapefile(const SingleShapefile& converter, const std::filesystem::path& source,
                              const std::filesystem::path& outputFolder, int progressFlag);

    ConversionContext m_context;
    const ConversionOptions& m_options;
    const NameTables& m_tables;
    ProgressCallback m_progress;
    ConversionFacts m_facts;
};

}  // namespace Calvorn
