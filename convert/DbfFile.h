// A .dbf being written, in code page 936: GBK field names and text, and the language-driver
// byte that tells readers so (no .cpg). Owns the shapelib handle; the destructor closes it.
//
// Rows come into being in order: writing into row n first creates every missing row up to n,
// blank. A file that would have no field gets "FID" holding each row's index, since readers
// refuse a .dbf without fields.
#pragma once

#include <shapefil.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "convert/DbfFieldType.h"
#include "convert/DbfNumber.h"
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

    // Adds "FID" when the file has no field yet; true when it did.
    bool EnsureAtLeastOneField();

    // Makes rows 0..row exist; new rows are blank apart from "FID". Throws OutputLimitError,
    // creating no row, when row `row` would take the file past ShapelibLimits::maxBytes.
    void EnsureRow(int row);
    // Throws OutputLimitError when row `row` would not fit (see EnsureRow).
    void CheckRoomFor(int row);

    // Writers into any row (missing rows are created). Text goes into text fields only,
    // numbers into numeric fields only (std::invalid_argument otherwise). Text is the bytes as
    // given, up to a zero byte, cut before the first character that does not fit whole (Cut).
    // A number that does not fit its field is written as a null value (DidNotFit). Write
    // failures throw OutputError.
    DbfWriteStatus WriteText(int row, int field, std::string_view gbk);
    DbfWriteStatus WriteInteger(int row, int field, int value);
    DbfWriteStatus WriteDouble(int row, int field, double value);
    DbfWriteStatus WriteUnsigned(int row, int field, std::uint32_t value);
    void WriteNull(int row, int field);

    // Finishes the file (adding "FID" to a file without fields); throws OutputError when it
    // did not reach the disk whole. Closing a closed file does nothing.
    void Close();

    bool IsOpen() const { return m_handle != nullptr; }
    int FieldCount() const;
    int RowCount() const;
    const std::filesystem::path& Path() const { return m_path; }

private:
    void CheckOpen() const;
    int FieldWidth(int field) const;
    // A number into a field that CheckField found numeric.
    DbfWriteStatus WriteNumber(int row, int field, double value);
    void CheckField(int field, bool numeric) const;
    DbfWriteStatus Checked(DbfWriteStatus status, int row) const;
    [[noreturn]] void ThrowWriteError(int row) const;

    // What shapelib holds of each field, kept here too: every write checks its field, and
    // asking shapelib each time costs more than the write itself.
    struct FieldLayout {
        char type;  // 'C', 'N', 'F' or 'L'
        int width;
        int decimals;
    };

    DBFHandle m_handle = nullptr;
    std::filesystem::path m_path;
    std::vector<std::string> m_names;  // GBK, as written
    std::vector<FieldLayout> m_layouts;
    bool m_rowIndexField = false;  // field 0 is the added "FID"
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
