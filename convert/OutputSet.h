// One output of a conversion: a Shapefile (.shp, .shx, .dbf and maybe .prj) or a lone .dbf,
// named by its base path, with its own handles and written count. A point file has two of
// them, every other file one.
#pragma once

#include <filesystem>
#include <memory>

#include "convert/DbfFile.h"
#include "convert/ShapeFile.h"
#include "torvex/Geometry.h"
#include "torvex/Records.h"

namespace Calvorn {

class CPrjWriter;

enum class OutputKind { Shapefile, Table };

class OutputSet {
public:
    // `notice` (may be empty) hears of a component passing ShapelibLimits::warnBytes.
    OutputSet(std::filesystem::path basePath, OutputKind kind, LargeFileNotice notice = {});

    // The base path with `extension` appended: base names may hold dots ("my.roads").
    std::filesystem::path FilePath(const char* extension) const;
    const std::filesystem::path& BasePath() const { return m_basePath; }
    OutputKind Kind() const { return m_kind; }

    // Writes the .prj of a Shapefile output; false (and no file) when that fails.
    bool WritePrj(const CPrjWriter& writer, const Torvex::MAP_PARAstruct& record);

    // Creates the .shp/.shx (Shapefiles) and the .dbf. Throws when a file cannot be created,
    // after setting `failedFile` to it and removing whatever this output had created.
    void Create(int shapeType, std::filesystem::path& failedFile);

    // Appends a shape and its .dbf row (blank until written), counts it and returns the row.
    // Throws OutputLimitError, writing neither, when either would pass the size limit.
    int WriteShape(Torvex::Geometry* geometry);
    // The same with a null shape, for a record that has no geometry left to write.
    int WriteNullShape();
    // Appends a blank row, counts it and returns it (tables; shapes get theirs above).
    int AddRow();

    DbfFile& Dbf() { return m_dbf; }
    int Written() const { return m_written; }

    // Closes the files (a closed output does nothing); throws when one did not reach the disk
    // whole, after closing the others and cutting them back to the records all of them hold
    // (KeepWholeRecords).
    void Close();
    // Closes without reporting: for outputs that are given up anyway.
    void CloseQuietly() noexcept;

    // Removes the files of this output (.shp, .shx, .dbf, .prj; tables .dbf); a missing file
    // is no error.
    void DeleteFiles() noexcept;
    // Removes only what this run created or wrote, after a failure to create the outputs.
    void RemoveCreated() noexcept;

private:
    std::filesystem::path m_basePath;
    OutputKind m_kind;
    LargeFileNotice m_notice;
    int m_shapeType = 0;
    ShapeFile m_shape;
    DbfFile m_dbf;
    int m_written = 0;
    bool m_prjWritten = false;
    bool m_shapeCreated = false;
    bool m_dbfCreated = false;
};

}  // namespace Calvorn
