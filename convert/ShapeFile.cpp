#include "convert/ShapeFile.h"

#include <cerrno>
#include <limits>
#include <stdexcept>
#include <utility>

#include "app/TextFormat.h"
#include "convert/OutputError.h"
#include "convert/OutputLimitError.h"
#include "convert/ShapelibIo.h"

namespace Calvorn {

namespace {

std::filesystem::path IndexPath(std::filesystem::path shpPath)
{
    return shpPath.replace_extension(".shx");
}

// The bytes SHPWriteObject appends for `shape`, record header included, for the 2D types the
// converters write: the size check comes before the shape is written.
std::uint64_t RecordBytes(const SHPObject& shape)
{
    switch (shape.nSHPType) {
        case SHPT_NULL:
            return 12;
        case SHPT_POINT:
            return 28;
        default:
            return 52 + 4 * static_cast<std::uint64_t>(shape.nParts) +
                   16 * static_cast<std::uint64_t>(shape.nVertices);
    }
}

constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

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
      m_plain(other.m_plain),
      m_notice(std::move(other.m_notice)),
      m_maxBytes(other.m_maxBytes),
      m_shpWarnAt(other.m_shpWarnAt),
      m_shxWarnAt(other.m_shxWarnAt)
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
        m_notice = std::move(other.m_notice);
        m_maxBytes = other.m_maxBytes;
        m_shpWarnAt = other.m_shpWarnAt;
        m_shxWarnAt = other.m_shxWarnAt;
    }
    return *this;
}

void ShapeFile::Create(const std::filesystem::path& shpPath, int shapeType, LargeFileNotice notice)
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
        // The system's reason, taken before anything else can change errno.
        const std::error_code cause(errno, std::generic_category());
        RemoveIfTouched(shpPath, shpBefore);
        RemoveIfTouched(shxPath, shxBefore);
        throw OutputError(WithShapelibMessages("cannot create " + shpPath.string()), cause);
    }
    m_path = shpPath;
    m_plain = CurrentOutputPolicy().ioMode == ShapelibIoMode::Plain;
    m_notice = std::move(notice);
    const ShapelibLimits limits = CurrentOutputPolicy().limits;
    m_maxBytes = limits.maxBytes;
    m_shpWarnAt = m_shxWarnAt = limits.warnBytes;
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
    const std::uint64_t shpAfter = m_handle->nFileSize + RecordBytes(*geometry);
    const std::uint64_t shxAfter = 108 + 8 * static_cast<std::uint64_t>(m_handle->nRecords);
    if (shpAfter > m_maxBytes) {
        throw OutputLimitError(m_path);
    }
    if (shxAfter > m_maxBytes) {
        throw OutputLimitError(IndexPath(m_path));
    }
    const int index = SHPWriteObject(m_handle, -1, geometry);
    if (index < 0) {
        throw OutputError(WithShapelibMessages("cannot write a shape to " + m_path.string()));
    }
    if (shpAfter > m_shpWarnAt) {
        m_shpWarnAt = kNever;
        if (m_notice) {
            m_notice(m_path);
        }
    }
    if (shxAfter > m_shxWarnAt) {
        m_shxWarnAt = kNever;
        if (m_notice) {
            m_notice(IndexPath(m_path));
        }
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
