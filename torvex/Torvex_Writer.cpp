#include "torvex/Torvex_Writer.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "torvex/FileImage.h"
#include "torvex/GeometryFill.h"

namespace Torvex {

namespace {

// Copies the stored record into the caller's struct: a shorter stored record leaves the rest
// zero, a longer one is cut to the struct.
void CopyInfo(void* info, std::size_t size, const SlotView& view)
{
    std::memset(info, 0, size);
    if (view.infoLength > 0) {
        std::memcpy(info, view.info, std::min(size, view.infoLength));
    }
}

// Reads one slot of `kind` and fills `geometry` as `shapeType`. On any result but kRecordRead
// the view and the geometry are left empty, so callers copy zeros rather than stale data.
int ReadSlotWithGeometry(FileImage* file, int slot, FileKind kind, int shapeType,
                         Geometry* geometry, SlotView* view)
{
    int result = file != nullptr ? file->ReadSlot(slot, kind, view) : kNoSuchSlot;
    if (result == kRecordRead && geometry != nullptr &&
        !FillGeometry(geometry, shapeType, view->partCounts, view->partCount, view->vertices,
                      view->vertexCount)) {
        result = kReadFailed;
    }
    if (result != kRecordRead) {
        *view = SlotView{};
        if (geometry != nullptr) {
            ClearGeometry(geometry);
        }
    }
    return result;
}

}  // namespace

Torvex_Writer::Torvex_Writer() = default;
Torvex_Writer::~Torvex_Writer() = default;

int Torvex_Writer::Open(const std::filesystem::path& path, int mode)
{
    Close();
    if (mode != 1) {
        return kOpenFailed;
    }
    auto file = std::make_unique<FileImage>();
    const int result = file->Open(path);
    if (result != 0) {
        return result;
    }
    m_file = std::move(file);
    m_fields = &m_file->Fields();
    return 0;
}

void Torvex_Writer::Close()
{
    m_fields = nullptr;
    m_file.reset();
}

int Torvex_Writer::GetFieldCount() const
{
    return m_file ? m_file->FieldCount() : 0;
}

int Torvex_Writer::GetRecordCount() const
{
    return m_file ? static_cast<int>(std::min<std::uint32_t>(m_file->RecordCount(), INT_MAX)) : 0;
}

int Torvex_Writer::GetInfo(int* slotCount, int* shapeType, int* reserved)
{
    int type = SHPT_NULL;
    if (m_file) {
        switch (m_file->Kind()) {
            case FileKind::Point:
                type = SHPT_POINT;
                break;
            case FileKind::Line:
                type = SHPT_ARC;
                break;
            case FileKind::Polygon:
                type = SHPT_POLYGON;
                break;
            default:
                type = SHPT_NULL;
                break;
        }
    }
    if (slotCount != nullptr) {
        *slotCount = m_file ? m_file->SlotCount() : 0;
    }
    if (shapeType != nullptr) {
        *shapeType = type;
    }
    if (reserved != nullptr) {
        *reserved = 0;
    }
    return m_file ? m_file->LiveCount() : 0;
}

int Torvex_Writer::ReadArcInfo(int slot, TORVEX_LineInfo* info, Geometry* geometry)
{
    SlotView view;
    const int result =
        ReadSlotWithGeometry(m_file.get(), slot, FileKind::Line, SHPT_ARC, geometry, &view);
    if (info != nullptr) {
        CopyInfo(info, sizeof(*info), view);
    }
    return result;
}

int Torvex_Writer::ReadPointInfo(int slot, TORVEX_PntInfo* info, Geometry* geometry, char* text)
{
    SlotView view;
    const int result =
        ReadSlotWithGeometry(m_file.get(), slot, FileKind::Point, SHPT_POINT, geometry, &view);
    // The record is needed for its point kind even when the caller does not want it.
    TORVEX_PntInfo own;
    TORVEX_PntInfo& record = info != nullptr ? *info : own;
    CopyInfo(&record, sizeof(record), view);
    if (text != nullptr) {
        // Only annotation points carry text; the caller's buffer must not keep an older one.
        std::size_t length = 0;
        if (result == kRecordRead && record.kind == 0) {
            length = std::min<std::size_t>(view.textLength, kAnnotationBufferSize - 1);
            if (length > 0) {
                std::memcpy(text, view.text, length);
            }
        }
        text[length] = '\0';
    }
    return result;
}

int Torvex_Writer::ReadPolygonInfo(int slot, TORVEX_RegInfo* info, Geometry* geometry)
{
    SlotView view;
    const int result =
        ReadSlotWithGeometry(m_file.get(), slot, FileKind::Polygon, SHPT_POLYGON, geometry, &view);
    if (info != nullptr) {
        CopyInfo(info, sizeof(*info), view);
    }
    return result;
}

int Torvex_Writer::ReadTableRow(int slot)
{
    SlotView view;
    return m_file ? m_file->ReadSlot(slot, FileKind::Table, &view) : kNoSuchSlot;
}

bool Torvex_Writer::ReadShape(int slot, ShapeArrays& arrays)
{
    SlotView view;
    if (!m_file || m_file->ReadSlot(slot, m_file->Kind(), &view) != kRecordRead) {
        return false;
    }
    AppendShape(m_file->Kind() == FileKind::Point, view.partCounts, view.partCount, view.vertices,
                view.vertexCount, arrays.x, arrays.y, arrays.partStarts);
    return true;
}

bool Torvex_Writer::SourceChanged() const
{
    return m_file && m_file->SourceChanged();
}

const void* Torvex_Writer::ReadAttribute(int record, int field, int type)
{
    return m_file ? m_file->ReadAttribute(record, field, type) : nullptr;
}

bool Torvex_Writer::ViewAttributes(int record, std::string_view* values)
{
    const std::string_view* stored = m_file ? m_file->RecordValues(record) : nullptr;
    const auto count = static_cast<std::size_t>(GetFieldCount());
    if (stored == nullptr) {
        std::fill_n(values, count, std::string_view());
        return false;
    }
    std::copy_n(stored, count, values);
    return true;
}

int Torvex_Writer::GetProjection(MAP_PARAstruct* record)
{
    if (record == nullptr) {
        return 0;
    }
    if (m_file && m_file->GetProjection(record)) {
        return 1;
    }
    std::memset(record, 0, sizeof(*record));
    return 0;
}

}  // namespace Torvex
