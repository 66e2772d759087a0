#include "convert/AttributeTransfer.h"

#include <cstdint>
#include <cstring>

#include "app/TextFormat.h"
#include "torvex/TypeCode.h"

namespace Calvorn {

namespace {

using enum Torvex::TypeCode;

// Longest text value that is not reported as cut.
constexpr std::size_t kMaxTextBytes = 254;

bool IsText(int code)
{
    return code == kText || code == kDate || code == kTime || code == kLongText;
}

bool IsInteger(int code)
{
    return code == kUnsigned8 || code == kSigned16 || code == kSigned32 || code == kBoolean;
}

bool IsSupported(int code)
{
    return code >= kText && code <= kLongText;
}

// Values come as unaligned bytes in the layout of their code.
template <typename T>
T Load(std::string_view value, std::size_t offset = 0)
{
    return Torvex::LoadValue<T>(value.data(), offset);
}

}  // namespace

AttributeTransfer::AttributeTransfer(Torvex::Torvex_Writer& reader, const NameTables& tables,
                                     const RunLog& log)
    : m_reader(reader), m_tables(tables), m_log(log)
{
}

void AttributeTransfer::DefineSchema(DbfFile& dbf) const
{
    const int count = FieldCount();
    for (int i = 0; i < count; ++i) {
        std::string sourceName;
        int width = 0;
        int decimals = 0;
        const int code = m_reader.GetFieldInfo(i, &sourceName, nullptr, &width, &decimals);
        std::string name = m_tables.LookupFieldName(sourceName);
        // An entry mapping to the empty text would leave the field without a name.
        if (name.empty()) {
            name = sourceName;
        }
        DbfFieldType type = DbfFieldType::Logical;
        if (IsInteger(code)) {
            type = DbfFieldType::Integer;
        } else if (code == kFloat || code == kDouble) {
            type = DbfFieldType::Double;
        } else if (IsText(code)) {
            type = DbfFieldType::String;
        }
        const DbfFile::AddedField added = dbf.AddField(name, type, width, decimals);
        if (added.name != name) {
            m_log.Write(
                Format("------W__【%s】字段名改为【%s】", name.c_str(), added.name.c_str()));
        }
        if (IsText(code) && width > DbfFile::MaxTextWidth) {
            m_log.Write(
                Format("------W__【%s】字段被截断为254字节，SHAPE不支持大于254字节的字符串类型字段",
                       name.c_str()));
        } else if (!IsSupported(code)) {
            m_log.Write(Format("------E__ARCGIS不支持【%s】字段类型", name.c_str()));
        }
    }
}

void AttributeTransfer::TransferRecord(int record, RecordBatch& batch) const
{
    DbfRow row = batch.Row();
    char text[kDateTimeTextSize];
    const int count = FieldCount();
    m_values.resize(static_cast<std::size_t>(count));
    m_reader.ViewAttributes(record, m_values.data());
    for (int j = 0; j < count; ++j) {
        // Each value comes in the layout of its field's type code, asked again for each record.
        const int code = m_reader.GetFieldInfo(j, nullptr, nullptr, nullptr, nullptr);
        const std::string_view value = m_values[static_cast<std::size_t>(j)];
        const bool present = value.data() != nullptr;
        switch (code) {
            case kText:
            case kLongText:
                if (!present) {
                    row.PutNull(j);
                    break;
                }
                if (code == kText && value.size() > kMaxTextBytes) {
                    batch.AddLine(Format("------W__第【%d】条记录【%s】字段被截断为254字节", record,
                                         SourceName(j).c_str()));
                }
                row.PutText(j, value);
                break;
            case kUnsigned8:
                WriteInteger(row, j, present ? Load<std::uint8_t>(value) : 0, record, batch);
                break;
            case kSigned16:
                WriteInteger(row, j, present ? Load<std::int16_t>(value) : 0, record, batch);
                break;
            case kSigned32:
                WriteInteger(row, j, present ? Load<std::int32_t>(value) : 0, record, batch);
                break;
            case kFloat:
                WriteNumber(row, j, present ? Load<float>(value) : 0.0, record, batch);
                break;
            case kDouble:
                WriteNumber(row, j, present ? Load<double>(value) : 0.0, record, batch);
                break;
            case kBoolean:
                WriteInteger(row, j, present && Load<std::uint8_t>(value) != 0 ? 1 : 0, record,
                             batch);
                break;
            case kDate:
                if (present) {
                    row.PutDate(j, Load<std::int16_t>(value), Load<std::int8_t>(value, 2),
                                Load<std::int8_t>(value, 3));
                } else {
                    row.PutText(j, {});
                }
                break;
            case kTime:
                row.PutText(j, present
                                   ? TimeText(Load<std::int8_t>(value), Load<std::int8_t>(value, 1),
                                              Load<double>(value, 2), text)
                                   : std::string_view());
                break;
            default:
                row.PutNull(j);
                batch.AddLine(
                    Format("------E__第【%d】条记录【%s】字段填入空数据,ARCGIS不支持该类型", record,
                           SourceName(j).c_str()));
                break;
        }
    }
}

void AttributeTransfer::WriteNumber(DbfRow& row, int field, double value, int record,
                                    RecordBatch& batch) const
{
    if (row.PutNumber(field, value) == DbfWriteStatus::DidNotFit) {
        DidNotFit(field, record, batch);
    }
}

void AttributeTransfer::WriteInteger(DbfRow& row, int field, std::int64_t value, int record,
                                     RecordBatch& batch) const
{
    if (row.PutInteger(field, value) == DbfWriteStatus::DidNotFit) {
        DidNotFit(field, record, batch);
    }
}

void AttributeTransfer::DidNotFit(int field, int record, RecordBatch& batch) const
{
    batch.AddLine(Format("------E__第【%d】条记录【%s】字段数值超出字段宽度，填入空数据", record,
                         SourceName(field).c_str()));
}

std::string AttributeTransfer::SourceName(int field) const
{
    // The record lines name the source field, not its mapped name.
    std::string name;
    m_reader.GetFieldInfo(field, &name, nullptr, nullptr, nullptr);
    return name;
}

}  // namespace Calvorn
