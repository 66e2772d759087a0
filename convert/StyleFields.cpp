#include "convert/StyleFields.h"

#include <cstdint>

#include "app/TextFormat.h"
#include "convert/DbfUnsignedInt.h"

namespace Calvorn {

StyleFields::StyleFields(DbfFile& dbf, const RunLog& log,
                         std::span<const StyleFieldDef> definitions)
    : m_dbf(dbf), m_log(log), m_definitions(definitions)
{
}

void StyleFields::Define()
{
    m_first = m_dbf.FieldCount();
    for (const StyleFieldDef& definition : m_definitions) {
        const DbfFile::AddedField added =
            m_dbf.AddField(definition.name, definition.type, definition.width, definition.decimals);
        if (added.name != definition.name) {
            m_log.Write(
                Format("------W__【%s】字段名改为【%s】", definition.name, added.name.c_str()));
        }
    }
}

void StyleFields::WriteValues(RecordBatch& batch, std::span<const double> values, int record,
                              std::size_t first) const
{
    DbfRow row = batch.Row();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t k = first + i;
        const int field = m_first + static_cast<int>(k);
        DbfWriteStatus status = DbfWriteStatus::Written;
        switch (m_definitions[k].number) {
            case StyleNumber::Unsigned:
                status =
                    DBFWriteUnsignedIntAttribute(row, field, static_cast<std::uint32_t>(values[i]));
                break;
            case StyleNumber::Signed:
                status = row.PutInteger(field, static_cast<int>(values[i]));
                break;
            case StyleNumber::Real:
                status = row.PutNumber(field, values[i]);
                break;
        }
        Report(status, static_cast<int>(k), record, batch);
    }
}

void StyleFields::Report(DbfWriteStatus status, int k, int record, RecordBatch& batch) const
{
    if (status == DbfWriteStatus::DidNotFit) {
        batch.AddLine(Format("------E__第【%d】条记录【%s】字段数值超出字段宽度，填入空数据",
                             record, m_definitions[static_cast<std::size_t>(k)].name));
    }
}

}  // namespace Calvorn
