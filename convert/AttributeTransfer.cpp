#include "convert/AttributeTransfer.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "app/TextFormat.h"
#include "torvex/TypeCode.h"

namespace Calvorn {

namespace {

using enum Torvex::TypeCode;
using Torvex::LoadValue;

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

std::string SecondsText(double seconds)
{
    // printf's "%04.2f": zero padding applies to numbers only; "nan" and "inf" are padded
    // with spaces.
    if (std::isnan(seconds) || std::isinf(seconds)) {
        std::string text = std::signbit(seconds) ? "-" : "";
        text += std::isnan(seconds) ? "nan" : "inf";
        return text.size() < 4 ? std::string(4 - text.size(), ' ') + text : text;
    }
    // Two decimals make every number at least four characters wide: no zero padding is due.
    return FormatFixed(seconds, 2);
}

}  // namespace

std::string DateText(int year, int month, int day)
{
    if (year <= 0 && month <= 0 && day <= 0) {
        return {};
    }
    // Every record has its dates: the common case by hand, printf for the odd ones.
    if (year < 0 || year > 9999 || month < 0 || month > 99 || day < 0 || day > 99) {
        return Format("%04d-%02d-%02d", year, month, day);
    }
    std::string text = "0000-00-00";
    const auto put = [&text](std::size_t end, int value) {
        for (std::size_t i = end; value > 0; value /= 10) {
            text[--i] = static_cast<char>('0' + value % 10);
        }
    };
    put(4, year);
    put(7, month);
    put(10, day);
    return text;
}

std::string TimeText(int hour, int minute, double seconds)
{
    if (hour > 0 || minute > 0 || seconds > 0) {
        return Format("%02d:%02d:", hour, minute) + SecondsText(seconds);
    }
    return {};
}

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

void AttributeTransfer::TransferRecord(int record, DbfFile& dbf, int row) const
{
    const int count = FieldCount();
    for (int j = 0; j < count; ++j) {
        const int code = m_reader.GetFieldInfo(j, nullptr, nullptr, nullptr, nullptr);
        const void* value = m_reader.ReadAttribute(record, j, code);
        switch (code) {
            case kText:
            case kLongText:
                if (value == nullptr) {
                    dbf.WriteNull(row, j);
                    break;
                }
                if (code == kText && std::strlen(static_cast<const char*>(value)) > kMaxTextBytes) {
                    m_log.Write(Format("------W__第【%d】条记录【%s】字段被截断为254字节", record,
                                       SourceName(j).c_str()));
                }
                dbf.WriteText(row, j, static_cast<const char*>(value));
                break;
            case kUnsigned8:
                WriteNumber(dbf, row, j, value ? LoadValue<std::uint8_t>(value) : 0, record);
                break;
            case kSigned16:
                WriteNumber(dbf, row, j, value ? LoadValue<std::int16_t>(value) : 0, record);
                break;
            case kSigned32:
                WriteNumber(dbf, row, j, value ? LoadValue<std::int32_t>(value) : 0, record);
                break;
            case kFloat:
                WriteNumber(dbf, row, j, value ? LoadValue<float>(value) : 0.0, record);
                break;
            case kDouble:
                WriteNumber(dbf, row, j, value ? LoadValue<double>(value) : 0.0, record);
                break;
            case kBoolean:
                WriteNumber(dbf, row, j, value && LoadValue<std::uint8_t>(value) != 0 ? 1 : 0,
                            record);
                break;
            case kDate:
                dbf.WriteText(row, j,
                              value ? DateText(LoadValue<std::int16_t>(value),
                                               LoadValue<std::int8_t>(value, 2),
                                               LoadValue<std::int8_t>(value, 3))
                                    : std::string());
                break;
            case kTime:
                dbf.WriteText(
                    row, j,
                    value ? TimeText(LoadValue<std::int8_t>(value),
                                     LoadValue<std::int8_t>(value, 1), LoadValue<double>(value, 2))
                          : std::string());
                break;
            default:
                dbf.WriteNull(row, j);
                m_log.Write(Format("------E__第【%d】条记录【%s】字段填入空数据,ARCGIS不支持该类型",
                                   record, SourceName(j).c_str()));
                break;
        }
    }
}

void AttributeTransfer::WriteNumber(DbfFile& dbf, int row, int field, double value,
                                    int record) const
{
    if (dbf.WriteDouble(row, field, value) == DbfWriteStatus::DidNotFit) {
        m_log.Write(Format("------E__第【%d】条记录【%s】字段数值超出字段宽度，填入空数据", record,
                           SourceName(field).c_str()));
    }
}

std::string AttributeTransfer::SourceName(int field) const
{
    // The record lines name the source field, not its mapped name.
    std::string name;
    m_reader.GetFieldInfo(field, &name, nullptr, nullptr, nullptr);
    return name;
}

}  // namespace Calvorn
