// One output of a conversion: a Shapefile (.shp, .shx, .dbf and maybe .prj) or a lone .dbf,
// with its own handles and written count. A point file has two of them, every other file one.
//
// The files are written under temporary names (TemporaryFile) and moved to the output's final
// names only when the conversion is done with them (MoveIntoPlace): whatever happens before,
// no file under a final name is partial, and nothing that stood under one is touched.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <vector>

#include "convert/DbfFile.h"
#include "convert/OutputNames.h"
#include "convert/ShapeFile.h"
#include "convert/TemporaryFile.h"
#include "torvex/Geometry.h"
#include "torvex/Records.h"

namespace Calvorn {

class CPrjWriter;

class OutputSet {
public:
    // `names` are the output's possible names, `chosen` the index of the one it takes for now.
    // `notice` (may be empty) hears of a component passing ShapelibLimits::warnBytes.
    OutputSet(const OutputNameSequence& names, std::size_t chosen, OutputKind kind,
              LargeFileNotice notice = {});
    ~OutputSet();
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // The final path of a component: the base path with `extension` appended (base names may
    // hold dots, "my.roads").
    std::filesystem::path FilePath(const char* extension) const;
    std::filesystem::path BasePath() const;
    const OutputNameSequence& Names() const { return m_names; }
    std::size_t NameIndex() const { return m_chosen; }
    OutputKind Kind() const { return m_kind; }
    // The extension log lines name the output by: ".shp", or ".dbf" for a table.
    const char* MainExtension() const;

    // Writes the .prj of a Shapefile output; false (and no file) when that fails.
    bool WritePrj(const CPrjWriter& writer, const Torvex::MAP_PARAstruct& record);

    // Creates the .shp/.shx (Shapefiles) and the .dbf. Throws when a file cannot be created,
    // after setting `failedFile` to it and removing whatever this output had created.
    // Files are created as `policy` says.
    void Create(int shapeType, const OutputPolicy& policy, std::filesystem::path& failedFile);

    // Appends a shape (a null shape when `shape` is null, for a record that has no geometry
    // left to write) and its .dbf row (`row`: Dbf().Layout().rowLength bytes), counts them and
    // returns the row. Throws OutputLimitError, writing neither, when either would pass the
    // size limit.
    int WriteRecord(Torvex::Geometry* shape, const char* row);
    // Appends a row alone (tables), counts it and returns it.
    int AppendRow(const char* row);

    DbfFile& Dbf() { return m_dbf; }
    int Written() const { return m_written; }

    // Closes the files (a closed output does nothing); throws when one did not reach the disk
    // whole, after closing the others and cutting them back to the records all of them hold
    // (KeepWholeRecords).
    void Close();
    // Closes without reporting: for outputs that are given up anyway.
    void CloseQuietly() noexcept;

    // Moves the closed files to their final names, .shp first, under the output folder's lock.
    // When the chosen name has been taken meanwhile (by another process), the files already
    // moved go back and the whole set takes the next free name. Throws OutputError when a
    // move fails otherwise (the files then stay temporary and are removed with the output).
    void MoveIntoPlace();
    // The final paths MoveIntoPlace gave the files, in the order moved.
    const std::vector<std::filesystem::path>& PlacedFiles() const { return m_placed; }

    // Removes the files of this output: nothing of it remains (empty results, stopped runs,
    // outputs that could not be created).
    void Discard() noexcept;

private:
    // One file of the output: its extension and, once written, its temporary file.
    struct Component {
        const char* extension;
        std::optional<TemporaryFile> file;
        bool staged = false;  // its final name is staged for shapelib
    };
    Component& Of(const char* extension);
    // Creates the temporary file of a component and stages its final name for shapelib.
    void Stage(const char* extension);
    void Unstage() noexcept;
    bool TryMove();

    OutputNameSequence m_names;
    std::size_t m_chosen;
    OutputKind m_kind;
    LargeFileNotice m_notice;
    int m_shapeType = 0;
    ShapeFile m_shape;
    DbfFile m_dbf;
    int m_written = 0;
    std::vector<std::filesystem::path> m_placed;
    // In the order they are moved into place: the .shp first, the file readers look for.
    std::array<Component, 4> m_components{{{".shp", std::nullopt, false},
                                           {".shx", std::nullopt, false},
                                           {".dbf", std::nullopt, false},
                                           {".prj", std::nullopt, false}}};
};

}  // namespace Calvorn
