// Records on their way from the reading side of a conversion to the writing side. For each slot
// read, in order: the log lines it gave and, when it has a record to write, the output that
// takes it, its shape (rescaled and repaired) and its .dbf row, ready to be written. A batch
// keeps its room when cleared: a record loop allocates nothing once its batches have grown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "convert/DbfRow.h"
#include "torvex/Geometry.h"
#include "torvex/Torvex_Writer.h"

namespace Calvorn {

class RecordBatch {
public:
    // Small, like everything that goes from one thread to the other: the counts and places
    // stay within a batch (a batch past 1 MiB holds one record).
    struct Entry {
        int slot = 0;
        int output = -1;    // the output's index; -1: nothing to write, only lines
        int shapeType = 0;  // 0: no shape (a table row)
        bool nullShape = false;
        std::uint32_t firstVertex = 0;
        std::uint32_t vertexCount = 0;
        std::uint32_t firstPart = 0;
        std::uint32_t partCount = 0;
        std::uint32_t row = 0;  // where its row begins in the row bytes
        std::uint32_t firstLine = 0;
        std::uint32_t lineCount = 0;
        std::uint32_t linesBefore = 0;  // of its lines, those written before the record
        double bounds[4] = {};          // x min, y min, x max, y max
    };

    // `layouts`: the row layout of each output, by the output's index; they must outlive the
    // batch and not change while it is used.
    explicit RecordBatch(std::vector<const DbfLayout*> layouts);

    void Clear();
    // Whether enough is gathered to hand the batch on.
    bool Full() const;

    // The reading side adds slot after slot. A slot with nothing to write:
    void AddSlot(int slot);
    // A record of `slot` for output `output`, its row blank and without a shape (a table row):
    void AddRecord(int slot, int output);
    // A record with a shape: the one `reader` read for the slot, rescaled by `scale`. False,
    // adding nothing, when the reader cannot give it.
    bool AddShapeRecord(int slot, int output, Torvex::Torvex_Writer& reader, int shapeType,
                        double scale);
    // Repairs the current record's polygon (FixGeoTopo); false when no ring is left.
    bool RepairPolygon();
    // The current record gets a null shape.
    void SetNullShape() { m_entries.back().nullShape = true; }
    // The current record's row. Its numbers' digits and its dates are written by CompleteRows.
    DbfRow Row();
    // A line of the current slot, written after its record (or, with the other, before it).
    void AddLine(std::string_view text);
    void AddLineBeforeRecord(std::string_view text);
    // Reading ended early with `error`: the slot being added is dropped, the slots before it
    // stay.
    void SetEnd(std::exception_ptr error);
    // Where the next slot begins, for SetEnd to drop what it added.
    void BeginSlot();

    // The writing side takes them in order, once the rows are complete.
    void CompleteRows() { DbfRow::Complete(m_deferred, m_rows.data()); }
    std::size_t Size() const { return m_entries.size(); }
    const Entry& At(std::size_t index) const { return m_entries[index]; }
    std::string_view Line(std::size_t index) const { return m_lines[index]; }
    // A shapelib object over entry `index`'s shape in this batch's arrays (valid while the
    // batch is not changed; not to be destroyed). Plane shapes go without Z and M: shapelib
    // writes the same for them as for zeros.
    Torvex::Geometry ShapeToWrite(std::size_t index);
    const char* RowOf(const Entry& entry) const { return m_rows.data() + entry.row; }
    const std::exception_ptr& End() const { return m_end; }

private:
    // The entry's shape; `zeros`: with zero Z and M (repairs go over them).
    Torvex::Geometry ViewOf(const Entry& entry, bool zeros);
    void StoreBounds(Entry& entry, const Torvex::Geometry& shape);
    void AppendLine(std::string_view text);

    std::vector<const DbfLayout*> m_layouts;
    std::vector<Entry> m_entries;
    Torvex::ShapeArrays m_shapes;
    std::vector<double> m_zeros;  // Z and M of shapes being repaired
    std::vector<int> m_ringTypes;
    std::vector<char> m_rows;
    std::vector<DeferredField> m_deferred;  // of the rows, for CompleteRows
    std::vector<std::string> m_lines;       // [0, m_lineCount) in use; the rest keep their room
    std::size_t m_lineCount = 0;
    std::exception_ptr m_end;
    // The sizes of everything above when the slot being added began.
    struct Sizes {
        std::size_t entries, vertices, parts, rows, deferred, lines;
    } m_slotStart{};
};

}  // namespace Calvorn
