#include "convert/OutputSet.h"

#include <exception>
#include <system_error>
#include <utility>

#include "projection/CPrjWriter.h"

namespace Calvorn {

namespace {

void RemoveFile(const std::filesystem::path& path) noexcept
{
    std::error_code ignored;
    // Only files: a folder that happens to carry an output's name is not ours to remove.
    if (std::filesystem::is_regular_file(path, ignored)) {
        std::filesystem::remove(path, ignored);
    }
}

}  // namespace

OutputSet::OutputSet(std::filesystem::path basePath, OutputKind kind, LargeFileNotice notice)
    : m_basePath(std::move(basePath)), m_kind(kind), m_notice(std::move(notice))
{
}

std::filesystem::path OutputSet::FilePath(const char* extension) const
{
    std::filesystem::path path = m_basePath;
    path += extension;
    return path;
}

bool OutputSet::WritePrj(const CPrjWriter& writer, const Torvex::MAP_PARAstruct& record)
{
    if (m_kind != OutputKind::Shapefile) {
        return false;
    }
    m_prjWritten = writer.WritePrj(&record, m_basePath);
    return m_prjWritten;
}

void OutputSet::Create(int shapeType, std::filesystem::path& failedFile)
{
    try {
        if (m_kind == OutputKind::Shapefile) {
            failedFile = FilePath(".shp");
            m_shape.Create(failedFile, shapeType, m_notice);
            m_shapeType = shapeType;
            m_shapeCreated = true;
        }
        failedFile = FilePath(".dbf");
        m_dbf.Create(failedFile, m_notice);
        m_dbfCreated = true;
        failedFile.clear();
    } catch (...) {
        RemoveCreated();
        throw;
    }
}

int OutputSet::WriteShape(Torvex::Geometry* geometry)
{
    m_dbf.CheckRoomFor(m_written);  // a shape without its row would put the files out of step
    m_shape.Write(geometry);
    return AddRow();
}

int OutputSet::WriteNullShape()
{
    m_dbf.CheckRoomFor(m_written);
    m_shape.WriteNull();
    return AddRow();
}

int OutputSet::AddRow()
{
    const int row = m_written;
    m_dbf.EnsureRow(row);
    ++m_written;
    return row;
}

void OutputSet::Close()
{
    const bool open = m_shape.IsOpen() || m_dbf.IsOpen();
    std::exception_ptr first;
    try {
        m_shape.Close();
    } catch (...) {
        first = std::current_exception();
    }
    try {
        m_dbf.Close();
    } catch (...) {
        if (!first) {
            first = std::current_exception();
        }
    }
    if (first) {
        // A write that failed on the way (a full disk) may have left any of the files short
        // or with a partial record: keep the records all of them hold, with headers to match.
        if (open && m_dbfCreated) {
            KeepWholeRecords(m_shapeCreated ? FilePath(".shp") : std::filesystem::path(),
                             FilePath(".dbf"), m_shapeType);
        }
        std::rethrow_exception(first);
    }
}

void OutputSet::CloseQuietly() noexcept
{
    try {
        Close();
    } catch (...) {
    }
}

void OutputSet::DeleteFiles() noexcept
{
    CloseQuietly();
    if (m_kind == OutputKind::Shapefile) {
        RemoveFile(FilePath(".shp"));
        RemoveFile(FilePath(".shx"));
        RemoveFile(FilePath(".dbf"));
        RemoveFile(FilePath(".prj"));
    } else {
        RemoveFile(FilePath(".dbf"));
    }
}

void OutputSet::RemoveCreated() noexcept
{
    CloseQuietly();
    if (m_shapeCreated) {
        RemoveFile(FilePath(".shp"));
        RemoveFile(FilePath(".shx"));
    }
    if (m_dbfCreated) {
        RemoveFile(FilePath(".dbf"));
    }
    if (m_prjWritten) {
        RemoveFile(FilePath(".prj"));
    }
    m_shapeCreated = m_dbfCreated = m_prjWritten = false;
}

}  // namespace Calvorn
