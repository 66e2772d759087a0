#include "convert/DbfFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "app/TextFormat.h"
#include "convert/GbkText.h"
#include "convert/OutputError.h"
#include "convert/OutputLimitError.h"
#include "convert/ShapelibIo.h"
#include "torvex/Gbk.h"

namespace Calvorn {

namespace {

DBFFieldType ShapelibType(DbfFieldType type)
{
    switch (type) {
        case DbfFieldType::String:
            return FTString;
        case DbfFieldType::Integer:
            return FTInteger;
        case DbfFieldType::Double:
            return FTDouble;
        case DbfFieldType::Logical:
            return FTLogical;
    }
    return FTString;
}

// Shapelib's widest field.
constexpr int MaxFieldWidth = 255;

}  // namespace

DbfFile::~DbfFile()
{
    try {
        Close();
    } catch (...) {
        // A destructor runs on the way out of a failure that is already being reported.
    }
}

DbfFile::DbfFile(DbfFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_path(std::move(other.m_path)),
      m_names(std::move(other.m_names)),
      m_layout(std::move(other.m_layout)),
      m_rowIndexField(std::exchange(other.m_rowIndexField, false)),
      m_indexRow(std::move(other.m_indexRow)),
      m_notice(std::move(other.m_notice)),
      m_maxBytes(other.m_maxBytes),
      m_warnBytes(other.m_warnBytes),
      m_rowLimit(other.m_rowLimit),
      m_warnRow(other.m_warnRow)
{
}

DbfFile& DbfFile::operator=(DbfFile&& other) noexcept
{
    if (this != &other) {
        try {
            Close();
        } catch (...) {
        }
        m_handle = std::exchange(other.m_handle, nullptr);
        m_path = std::move(other.m_path);
        m_names = std::move(other.m_names);
        m_layout = std::move(other.m_layout);
        m_rowIndexField = std::exchange(other.m_rowIndexField, false);
        m_indexRow = std::move(other.m_indexRow);
        m_notice = std::move(other.m_notice);
        m_maxBytes = other.m_maxBytes;
        m_warnBytes = other.m_warnBytes;
        m_rowLimit = other.m_rowLimit;
        m_warnRow = other.m_warnRow;
    }
    return *this;
}

void DbfFile::Create(const std::filesystem::path& dbfPath, LargeFileNotice notice)
{
    if (IsOpen()) {
        throw std::logic_error("DbfFile::Create on an open file");
    }
    if (dbfPath.extension() != ".dbf") {
        throw std::invalid_argument("not a .dbf name: " + dbfPath.string());
    }
    const FileStamp before = StampOf(dbfPath);
    TakeShapelibMessages();  // what an earlier file left is not this file's story
    SAHooks hooks = ShapelibHooks();
    // Language driver 77 (code page 936) in the header: readers then decode the GBK names and
    // values correctly without a .cpg.
    m_handle = DBFCreateLL(ShapelibPath(dbfPath).c_str(), "LDID/77", &hooks);
    if (m_handle == nullptr) {
        // The system's reason, taken before anything else can change errno.
        const std::error_code cause(errno, std::generic_category());
        RemoveIfTouched(dbfPath, before);
        throw OutputError(WithShapelibMessages("cannot create " + dbfPath.string()), cause);
    }
    m_path = dbfPath;
    m_names.clear();
    m_layout = DbfLayout{};
    m_rowIndexField = false;
    m_notice = std::move(notice);
    const ShapelibLimits limits = CurrentOutputPolicy().limits;
    m_maxBytes = limits.maxBytes;
    m_warnBytes = limits.warnBytes;
    m_rowLimit = m_warnRow = -1;
}

DbfFile::AddedField DbfFile::AddField(std::string_view utf8Name, DbfFieldType type, int width,
                                      int decimals)
{
    CheckOpen();
    if (RowCount() > 0) {
        throw std::logic_error("DbfFile::AddField after the first row");
    }
    std::string gbk = Torvex::Utf8ToGbk(utf8Name);
    gbk.resize(std::min(gbk.size(), gbk.find('\0')));
    const std::string name = UniqueFieldName(gbk, m_names, MaxNameBytes);
    width = std::clamp(width, 1, type == DbfFieldType::String ? MaxTextWidth : MaxFieldWidth);
    decimals = std::clamp(decimals, 0, width);
    const int index = DBFAddField(m_handle, name.c_str(), ShapelibType(type), width, decimals);
    if (index < 0) {
        throw OutputError(WithShapelibMessages(
            Format("cannot add field %d to %s", FieldCount(), m_path.string().c_str())));
    }
    m_rowLimit = m_warnRow = -1;
    m_names.push_back(name);
    m_layout.fields.push_back(
        {DBFGetNativeFieldType(m_handle, index), width, decimals, m_layout.rowLength});
    m_layout.rowLength += static_cast<std::size_t>(width);
    return {index, Torvex::GbkToUtf8(name), width};
}

bool DbfFile::EnsureAtLeastOneField()
{
    CheckOpen();
    if (FieldCount() > 0) {
        return false;
    }
    AddField("FID", DbfFieldType::Integer, 11, 0);
    m_rowIndexField = true;
    m_indexRow.assign(m_layout.rowLength, ' ');
    return true;
}

int DbfFile::AppendRow(const char* bytes)
{
    CheckOpen();
    if (m_layout.fields.empty()) {
        throw std::logic_error("DbfFile::AppendRow without fields");
    }
    const int row = RowCount();
    CheckRoomFor(row);
    if (m_rowIndexField) {
        DbfRow(m_layout, m_indexRow.data()).PutNumber(0, row);
        bytes = m_indexRow.data();
    }
    // A new row at the end: shapelib takes the bytes as they stand, deletion flag included.
    if (!DBFWriteTuple(m_handle, row, const_cast<char*>(bytes))) {
        ThrowWriteError(row);
    }
    if (row >= m_warnRow) {
        m_warnRow = std::numeric_limits<std::int64_t>::max();
        if (m_notice) {
            m_notice(m_path);
        }
    }
    return row;
}

void DbfFile::CheckRoomFor(int row)
{
    CheckOpen();
    if (m_rowLimit < 0) {
        FindRowLimits();
    }
    if (row >= m_rowLimit) {
        throw OutputLimitError(m_path);
    }
}

void DbfFile::FindRowLimits()
{
    // The file holds the header, the rows and an end-of-file byte. Without a field yet, "FID"
    // (11 wide) is what the rows will hold.
    const bool fid = m_layout.fields.empty();
    const std::uint64_t fixed =
        (fid ? 65 : static_cast<std::uint64_t>(m_handle->nHeaderLength)) + 1;
    const std::uint64_t record = fid ? 12 : static_cast<std::uint64_t>(m_handle->nRecordLength);
    // Rows r with fixed + (r + 1) * record <= bytes.
    auto rowsWithin = [&](std::uint64_t bytes) {
        return bytes < fixed ? std::int64_t{0}
                             : static_cast<std::int64_t>((bytes - fixed) / record);
    };
    m_rowLimit = rowsWithin(m_maxBytes);
    if (m_warnRow < 0) {
        m_warnRow = rowsWithin(m_warnBytes);
    }
}

void DbfFile::Close()
{
    if (!IsOpen()) {
        return;
    }
    try {
        EnsureAtLeastOneField();
    } catch (...) {
        DBFClose(std::exchange(m_handle, nullptr));
        throw;
    }
    // shapelib's close reports nothing; the size it meant to write tells whether it did.
    const std::uintmax_t size = static_cast<std::uintmax_t>(m_handle->nHeaderLength) +
                                static_cast<std::uintmax_t>(m_handle->nRecords) *
                                    static_cast<std::uintmax_t>(m_handle->nRecordLength) +
                                (m_handle->bWriteEndOfFileChar ? 1 : 0);
    TakeShapelibMessages();
    DBFClose(std::exchange(m_handle, nullptr));
    ExpectCleanClose(m_path);
    ExpectFileSize(m_path, size);
}

int DbfFile::FieldCount() const
{
    return IsOpen() ? DBFGetFieldCount(m_handle) : 0;
}

int DbfFile::RowCount() const
{
    return IsOpen() ? DBFGetRecordCount(m_handle) : 0;
}

void DbfFile::CheckOpen() const
{
    if (!IsOpen()) {
        throw std::logic_error("DbfFile used while closed");
    }
}

void DbfFile::ThrowWriteError(int row) const
{
    throw OutputError(
        WithShapelibMessages(Format("cannot write row %d of %s", row, m_path.string().c_str())));
}

}  // namespace Calvorn
