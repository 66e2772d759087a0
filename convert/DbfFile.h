// A .dbf being written, in code page 936: GBK field names and text, and the language-driver
// byte that tells readers so (no .cpg). Owns the shapelib handle; the destructor closes it.
//
// Rows are appended whole (DbfRow) once the fields are defined. A file that would have no field
// gets "FID" holding each row's index, since readers refuse a .dbf without fields.
#pragma once

#include <shapefil.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "convert/DbfFieldType.h"
#include "convert/DbfRow.h"
#include "convert/ShapelibIo.h"

namespace Calvorn {

class DbfFile {
public:
    // Longest field name in bytes, and widest text field readers accept.
    static constexpr std::size_t MaxNameBytes = 10;
    static constexpr int MaxTextWidth = 254;

    struct AddedField {
        int index;
        std::string name;  // the name written, UTF-8; differs from the one asked for when cut
        int width;         // the width written
    };

    DbfFile() = default;
    ~DbfFile();
    DbfFile(DbfFile&& other) noexcept;
    DbfFile& operator=(DbfFile&& other) noexcept;
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;

    // Creates `dbfPath` (the full name, ending in ".dbf"). Throws OutputError and leaves no
    // file behind when that fails. `notice` (may be empty) hears of the file passing
    // ShapelibLimits::warnBytes.
    void Create(const std::filesystem::path& dbfPath, LargeFileNotice notice = {});

    // Adds a field before the first row. The name is written as GBK, cut to 10 bytes on a
    // character boundary and made unique (ASCII case ignored) with "_1", "_2", ...; text
    // fields are at most 254 wide; a width below 1 becomes 1 (shapelib refuses it) and
    // negative decimals 0.
    AddedField AddField(std::string_view utf8Name, DbfFieldType type, int width, int decimals);

    // Adds "FID" when the file has no field yet; true when it did. Rows are filled against
    // Layout(), so this comes before the first row is filled.
    bool EnsureAtLeastOneField();

    // Where each field lies in a row; complete once the fields are defined.
    const DbfLayout& Layout() const { return m_layout; }

    // Appends `bytes` (Layout().rowLength of them, filled through DbfRow) as the next row, with
    // the row's index in "FID"; returns the row. Throws OutputLimitError, writing nothing, when
    // the row would take the file past ShapelibLimits::maxBytes, OutputError when the write
    // fails.
    int AppendRow(const char* bytes);
    // Throws OutputLimitError when row `row` would not fit (see AppendRow).
    void CheckRoomFor(int row);

    // Finishes the file (adding "FID" to a file without fields); throws OutputError when it
    // did not reach the disk whole. Closing a closed file does nothing.
    void Close();

    bool IsOpen() const { return m_handle != nullptr; }
    int FieldCount() const;
    int RowCount() const;
    const std::filesystem::path& Path() const { return m_path; }

private:
    void CheckOpen() const;
    [[noreturn]] void ThrowWriteError(int row) const;

    DBFHandle m_handle = nullptr;
    std::filesystem::path m_path;
    std::vector<std::string> m_names;  // GBK, as written
    DbfLayout m_layout;
    bool m_rowIndexField = false;  // field 0 is the added "FID"
    std::vector<char> m_indexRow;  // a row of "FID" alone
    LargeFileNotice m_notice;
    std::uint64_t m_maxBytes = 0;
    std::uint64_t m_warnBytes = 0;
    // The limits as row numbers, worked out once the fields are known (-1 until then): the
    // first row that would not fit, the first past the warning size (until told).
    std::int64_t m_rowLimit = -1;
    std::int64_t m_warnRow = -1;

    void FindRowLimits();
};

}  // namespace Calvorn
