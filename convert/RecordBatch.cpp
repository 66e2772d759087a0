#include "convert/RecordBatch.h"

#include <memory>
#include <new>

namespace Calvorn {

namespace {

// A batch is handed on at this many slots or bytes of shapes and rows, whichever comes first:
// small enough to keep memory flat, large enough that handing on costs little per record.
constexpr std::size_t kBatchSlots = 1024;
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

struct GeometryDeleter {
    void operator()(Torvex::Geometry* geometry) const { Torvex::DestroyGeometry(geometry); }
};

}  // namespace

RecordBatch::RecordBatch(std::vector<const DbfLayout*> layouts) : m_layouts(std::move(layouts)) {}

void RecordBatch::Clear()
{
    m_entries.clear();
    m_shapes.x.clear();
    m_shapes.y.clear();
    m_shapes.partStarts.clear();
    m_rows.clear();
    m_deferred.clear();
    m_lineCount = 0;
    m_end = nullptr;
    m_slotStart = {};
}

void RecordBatch::BeginSlot()
{
    m_slotStart = {m_entries.size(), m_shapes.x.size(), m_shapes.partStarts.size(),
                   m_rows.size(),    m_deferred.size(), m_lineCount};
}

void RecordBatch::SetEnd(std::exception_ptr error)
{
    m_entries.resize(m_slotStart.entries);
    m_shapes.x.resize(m_slotStart.vertices);
    m_shapes.y.resize(m_slotStart.vertices);
    m_shapes.partStarts.resize(m_slotStart.parts);
    m_rows.resize(m_slotStart.rows);
    m_deferred.resize(m_slotStart.deferred);
    m_lineCount = m_slotStart.lines;
    m_end = std::move(error);
}

bool RecordBatch::Full() const
{
    return m_entries.size() >= kBatchSlots ||
           m_shapes.x.size() * 2 * sizeof(double) + m_rows.size() >= kBatchBytes;
}

void RecordBatch::AddSlot(int slot)
{
    Entry& entry = m_entries.emplace_back();
    entry.slot = slot;
    entry.firstLine = static_cast<std::uint32_t>(m_lineCount);
}

void RecordBatch::AddRecord(int slot, int output)
{
    AddSlot(slot);
    Entry& entry = m_entries.back();
    entry.output = output;
    entry.row = static_cast<std::uint32_t>(m_rows.size());
    // Blank, deletion flag included.
    const DbfLayout& layout = *m_layouts[static_cast<std::size_t>(output)];
    m_rows.resize(m_rows.size() + layout.rowLength, ' ');
}

bool RecordBatch::AddShapeRecord(int slot, int output, Torvex::Torvex_Writer& reader, int shapeType,
                                 double scale)
{
    const std::size_t firstVertex = m_shapes.x.size();
    const std::size_t firstPart = m_shapes.partStarts.size();
    if (!reader.ReadShape(slot, m_shapes)) {
        return false;
    }
    AddRecord(slot, output);
    Entry& entry = m_entries.back();
    entry.firstVertex = static_cast<std::uint32_t>(firstVertex);
    entry.firstPart = static_cast<std::uint32_t>(firstPart);
    entry.shapeType = shapeType;
    entry.vertexCount = static_cast<std::uint32_t>(m_shapes.x.size() - firstVertex);
    entry.partCount = static_cast<std::uint32_t>(m_shapes.partStarts.size() - firstPart);
    if (shapeType == SHPT_POINT && entry.vertexCount == 1) {
        // Nearly every shape of a point file: its bounds are the point, scaled or not.
        double& x = m_shapes.x[firstVertex];
        double& y = m_shapes.y[firstVertex];
        if (scale != 1.0) {
            x *= scale;
            y *= scale;
        }
        entry.bounds[0] = entry.bounds[2] = x;
        entry.bounds[1] = entry.bounds[3] = y;
        return true;
    }
    Torvex::Geometry shape = ViewOf(entry, false);
    Torvex::ComputePlaneBounds(&shape);
    Torvex::ReScaleGeometry(&shape, scale);
    StoreBounds(entry, shape);
    return true;
}

bool RecordBatch::RepairPolygon()
{
    Entry& entry = m_entries.back();
    Torvex::Geometry shape = ViewOf(entry, true);
    if (!Torvex::FixGeoTopoInPlace(&shape)) {
        // The rare polygon that needs new rings is repaired in a copy that then replaces it.
        const std::unique_ptr<Torvex::Geometry, GeometryDeleter> copy(Torvex::CopyGeometry(shape));
        if (!copy) {
            throw std::bad_alloc();
        }
        Torvex::FixGeoTopo(copy.get());
        const auto vertices = static_cast<std::size_t>(copy->nVertices);
        const auto parts = static_cast<std::size_t>(copy->nParts);
        m_shapes.x.resize(entry.firstVertex);
        m_shapes.y.resize(entry.firstVertex);
        m_shapes.partStarts.resize(entry.firstPart);
        m_shapes.x.insert(m_shapes.x.end(), copy->padfX, copy->padfX + vertices);
        m_shapes.y.insert(m_shapes.y.end(), copy->padfY, copy->padfY + vertices);
        m_shapes.partStarts.insert(m_shapes.partStarts.end(), copy->panPartStart,
                                   copy->panPartStart + parts);
        entry.vertexCount = static_cast<std::uint32_t>(vertices);
        entry.partCount = static_cast<std::uint32_t>(parts);
        shape = *copy;
    }
    StoreBounds(entry, shape);
    return entry.partCount > 0;
}

DbfRow RecordBatch::Row()
{
    const Entry& entry = m_entries.back();
    return DbfRow(*m_layouts[static_cast<std::size_t>(entry.output)], m_rows.data() + entry.row,
                  &m_deferred, entry.row);
}

void RecordBatch::AppendLine(std::string_view text)
{
    if (m_lineCount == m_lines.size()) {
        m_lines.emplace_back(text);
    } else {
        m_lines[m_lineCount].assign(text);
    }
    ++m_lineCount;
    ++m_entries.back().lineCount;
}

void RecordBatch::AddLine(std::string_view text)
{
    AppendLine(text);
}

void RecordBatch::AddLineBeforeRecord(std::string_view text)
{
    Entry& entry = m_entries.back();
    // Lines before the record come before its other lines.
    if (entry.linesBefore != entry.lineCount) {
        throw std::logic_error("a line before the record after one after it");
    }
    AppendLine(text);
    ++entry.linesBefore;
}

Torvex::Geometry RecordBatch::ShapeToWrite(std::size_t index)
{
    return ViewOf(m_entries[index], false);
}

Torvex::Geometry RecordBatch::ViewOf(const Entry& entry, bool zeros)
{
    Torvex::Geometry shape{};
    shape.nSHPType = entry.shapeType;
    shape.nShapeId = -1;
    shape.nVertices = static_cast<int>(entry.vertexCount);
    shape.padfX = m_shapes.x.data() + entry.firstVertex;
    shape.padfY = m_shapes.y.data() + entry.firstVertex;
    if (zeros) {
        // Repairs go over Z and M too.
        if (m_zeros.size() < entry.vertexCount) {
            m_zeros.resize(entry.vertexCount);
        }
        shape.padfZ = m_zeros.data();
        shape.padfM = m_zeros.data();
    }
    if (entry.shapeType != SHPT_POINT) {
        if (m_ringTypes.size() < entry.partCount) {
            m_ringTypes.resize(entry.partCount, SHPP_RING);
        }
        shape.nParts = static_cast<int>(entry.partCount);
        shape.panPartStart = m_shapes.partStarts.data() + entry.firstPart;
        shape.panPartType = m_ringTypes.data();
    }
    shape.dfXMin = entry.bounds[0];
    shape.dfYMin = entry.bounds[1];
    shape.dfXMax = entry.bounds[2];
    shape.dfYMax = entry.bounds[3];
    return shape;
}

void RecordBatch::StoreBounds(Entry& entry, const Torvex::Geometry& shape)
{
    entry.bounds[0] = shape.dfXMin;
    entry.bounds[1] = shape.dfYMin;
    entry.bounds[2] = shape.dfXMax;
    entry.bounds[3] = shape.dfYMax;
}

}  // namespace Calvorn
