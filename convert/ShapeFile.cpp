#include "convert/ShapeFile.h"

#include <stdexcept>
#include <utility>

#include "app/TextFormat.h"
#include "convert/OutputError.h"
#include "convert/ShapelibIo.h"

namespace Calvorn {

namespace {

std::filesystem::path IndexPath(std::filesystem::path shpPath)
{
    return shpPath.replace_extension(".shx");
}

}  // namespace

ShapeFile::~ShapeFile()
{
    try {
        Close();
    } catch (...) {
        // A destructor runs on the way out of a failure that is already being reported.
    }
}

ShapeFile::ShapeFile(ShapeFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_path(std::move(other.m_path)),
      m_plain(other.m_plain)
{
}

ShapeFile& ShapeFile::operator=(ShapeFile&& other) noexcept
{
    if (this != &other) {
        try {
            Close();
        } catch (...) {
        }
        m_handle = std::exchange(other.m_handle, nullptr);
        m_path = std::move(other.m_path);
        m_plain = other.m_plain;
    }
    return *this;
}

void ShapeFile::Create(const std::filesystem::path& shpPath, int shapeType)
{
    if (IsOpen()) {
        throw std::logic_error("ShapeFile::Create on an open file");
    }
    if (shpPath.extension() != ".shp") {
        throw std::invalid_argument("not a .shp name: " + shpPath.string());
    }
    const std::filesystem::path shxPath = IndexPath(shpPath);
    const FileStamp shpBefore = StampOf(shpPath);
    const FileStamp shxBefore = StampOf(shxPath);
    TakeShapelibMessages();  // what an earlier file left is not this file's story
    SAHooks hooks = ShapelibHooks();
    m_handle = SHPCreateLL(ShapelibPath(shpPath).c_str(), shapeType, &hooks);
    if (m_handle == nullptr) {
        RemoveIfTouched(shpPath, shpBefore);
        RemoveIfTouched(shxPath, shxBefore);
        throw OutputError(WithShapelibMessages("cannot create " + shpPath.string()));
    }
    m_path = shpPath;
    m_plain = GetShapelibIoMode() == ShapelibIoMode::Plain;
}

int ShapeFile::Write(Torvex::Geometry* geometry)
{
    if (!IsOpen()) {
        throw std::logic_error("ShapeFile::Write on a closed file");
    }
    // shapelib asserts on a shape of another type; refuse it here instead.
    if (geometry == nullptr ||
        (geometry->nSHPType != m_handle->nShapeType && geometry->nSHPType != SHPT_NULL)) {
        throw OutputError(Format("shape of type %d cannot go into %s (type %d)",
                                 geometry == nullptr ? -1 : geometry->nSHPType,
                                 m_path.string().c_str(), m_handle->nShapeType));
    }
    const int index = SHPWriteObject(m_handle, -1, geometry);
    if (index < 0) {
        throw OutputError(WithShapelibMessages("cannot write a shape to " + m_path.string()));
    }
    return index;
}

int ShapeFile::WriteNull()
{
    SHPObject* shape = SHPCreateSimpleObject(SHPT_NULL, 0, nullptr, nullptr, nullptr);
    if (shape == nullptr) {
        throw OutputError("cannot write a shape to " + m_path.string());
    }
    try {
        const int index = Write(shape);
        SHPDestroyObject(shape);
        return index;
    } catch (...) {
        SHPDestroyObject(shape);
        throw;
    }
}

void ShapeFile::Close()
{
    if (!IsOpen()) {
        return;
    }
    // shapelib's close reports nothing; the sizes it meant to write tell whether it did.
    const std::uintmax_t shpSize = m_handle->nFileSize;
    const std::uintmax_t shxSize = 100 + 8 * static_cast<std::uintmax_t>(m_handle->nRecords);
    TakeShapelibMessages();
    const bool headersWritten = m_plain || WriteShapeHeaders(m_handle);
    SHPClose(std::exchange(m_handle, nullptr));
    ExpectCleanClose(m_path);
    if (!headersWritten) {
        throw OutputError("cannot finish writing " + m_path.string());
    }
    ExpectFileSize(m_path, shpSize);
    ExpectFileSize(IndexPath(m_path), shxSize);
}

int ShapeFile::ShapeCount() const
{
    return IsOpen() ? m_handle->nRecords : 0;
}

}  // namespace Calvorn
