#include "convert/StyleFields.h"

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

void StyleFields::WriteUnsigned(RecordBatch& batch, int k, std::uint32_t value, int record) const
{
    DbfRow row = batch.Row();
    Report(DBFWriteUnsignedIntAttribute(row, m_first + k, value), k, record, batch);
}

void StyleFields::WriteInteger(RecordBatch& batch, int k, int value, int record) const
{
    Report(batch.Row().PutInteger(m_first + k, value), k, record, batch);
}

void StyleFields::WriteDouble(RecordBatch& batch, int k, double value, int record) const
{
    Report(batch.Row().PutNumber(m_first + k, value), k, record, batch);
}

void StyleFields::Report(DbfWriteStatus status, int k, int record, RecordBatch& batch) const
{
    if (status == DbfWriteStatus::DidNotFit) {
        batch.AddLine(Format("------E__第【%d】条记录【%s】字段数值超出字段宽度，填入空数据",
                             record, m_definitions[static_cast<std::size_t>(k)].name));
    }
}

}  // namespace Calvorn
