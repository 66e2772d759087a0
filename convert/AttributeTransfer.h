// Carries the attribute table of a source file into a .dbf: once per output the schema (one
// field per source field, in source order, types mapped from the reader's type codes), then
// once per written record every value into that record's row. Field i of the source is field
// i of the .dbf, so the source fields come before any other field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/NameTables.h"
#include "convert/DbfFile.h"
#include "convert/RecordBatch.h"
#include "convert/RunLog.h"
#include "torvex/Torvex_Writer.h"

namespace Calvorn {

class AttributeTransfer {
public:
    AttributeTransfer(Torvex::Torvex_Writer& reader, const NameTables& tables, const RunLog& log);

    int FieldCount() const { return m_reader.GetFieldCount(); }

    // Adds one field per source field to `dbf`, named through the field-name table, and
    // writes the schema lines.
    void DefineSchema(DbfFile& dbf) const;

    // Writes every source value of `record` (the slot, or the row of a table file) into the row
    // of the batch's current record, with the record lines. Reading side: uses the reader and
    // the batch only.
    void TransferRecord(int record, RecordBatch& batch) const;

private:
    // A number (an integer below 2^53 without going through a double), with the line when it
    // does not fit.
    void WriteNumber(DbfRow& row, int field, double value, int record, RecordBatch& batch) const;
    void WriteInteger(DbfRow& row, int field, std::int64_t value, int record,
                      RecordBatch& batch) const;
    void DidNotFit(int field, int record, RecordBatch& batch) const;
    // Fetched only for a record line: most records write none.
    std::string SourceName(int field) const;

    Torvex::Torvex_Writer& m_reader;
    const NameTables& m_tables;
    const RunLog& m_log;
    mutable std::vector<std::string_view> m_values;  // of the record being transferred
};

}  // namespace Calvorn
