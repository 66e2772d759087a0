#include "convert/StyleFields.h"

#include "app/TextFormat.h"

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

void StyleFields::WriteUnsigned(int row, int k, std::uint32_t value, int record)
{
    Report(m_dbf.WriteUnsigned(row, m_first + k, value), k, record);
}

void StyleFields::WriteInteger(int row, int k, int value, int record)
{
    Report(m_dbf.WriteInteger(row, m_first + k, value), k, record);
}

void StyleFields::WriteDouble(int row, int k, double value, int record)
{
    Report(m_dbf.WriteDouble(row, m_first + k, value), k, record);
}

void StyleFields::Report(DbfWriteStatus status, int k, int record) const
{
    if (status == DbfWriteStatus::DidNotFit) {
        m_log.Write(Format("------E__第【%d】条记录【%s】字段数值超出字段宽度，填入空数据", record,
                           m_definitions[static_cast<std::size_t>(k)].name));
    }
}

}  // namespace Calvorn
