// The graphic-parameter fields that StyleAsAttributes adds to a .dbf after the source fields,
// and their checked writers: a value that does not fit its field is written as a null value
// and logged, never cut into a wrong number.
#pragma once

#include <cstdint>
#include <span>

#include "convert/DbfFile.h"
#include "convert/RecordBatch.h"
#include "convert/RunLog.h"

namespace Calvorn {

struct StyleFieldDef {
    const char* name;  // UTF-8; not passed through the field-name table
    DbfFieldType type;
    int width;
    int decimals;
};

// Integer members are widened with their sign to 32 bits and handed over as unsigned numbers.
inline std::uint32_t WidenToUnsigned(std::int32_t value)
{
    return static_cast<std::uint32_t>(value);
}

class StyleFields {
public:
    // `definitions` must outlive this object (the converters keep them in constant tables).
    StyleFields(DbfFile& dbf, const RunLog& log, std::span<const StyleFieldDef> definitions);

    // Adds the fields after those already there, in order, with a line for a name that had to
    // change.
    void Define();

    // Write field `k` of the set (0 = the first) into the row of the batch's current record;
    // `record` is the record index the other record lines give. Reading side.
    void WriteUnsigned(RecordBatch& batch, int k, std::uint32_t value, int record) const;
    void WriteInteger(RecordBatch& batch, int k, int value, int record) const;
    void WriteDouble(RecordBatch& batch, int k, double value, int record) const;

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
