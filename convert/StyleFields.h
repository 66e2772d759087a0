// The graphic-parameter fields that StyleAsAttributes adds to a .dbf after the source fields,
// and their checked writers: a value that does not fit its field is written as a null value
// and logged, never cut into a wrong number.
#pragma once

#include <cstddef>
#include <span>

#include "convert/DbfFile.h"
#include "convert/RecordBatch.h"
#include "convert/RunLog.h"
#include "convert/StyleSets.h"

namespace Calvorn {

class StyleFields {
public:
    // `definitions` must outlive this object (the converters keep them in constant tables).
    StyleFields(DbfFile& dbf, const RunLog& log, std::span<const StyleFieldDef> definitions);

    // Adds the fields after those already there, in order, with a line for a name that had to
    // change.
    void Define();

    // Writes `values` into the row of the batch's current record, values[i] into field
    // first + i of the set (0 = the set's first field) as its StyleNumber says; `record` is the
    // record index the record lines give. Reading side.
    void WriteValues(RecordBatch& batch, std::span<const double> values, int record,
                     std::size_t first = 0) const;

    // Index of the set's first field in the .dbf; valid after Define.
    int FirstField() const { return m_first; }

private:
    void Report(DbfWriteStatus status, int k, int record, RecordBatch& batch) const;

    DbfFile& m_dbf;
    const RunLog& m_log;
    std::span<const StyleFieldDef> m_definitions;
    int m_first = -1;
};

}  // namespace Calvorn
