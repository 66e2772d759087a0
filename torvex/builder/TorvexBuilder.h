// Writes Torvex files: the library's own writer, used by torvex-make, the samples, the tests
// and the benchmark generator. Values are given in their stored form (text as GBK bytes).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "torvex/Records.h"
#include "torvex/Result.h"

namespace Torvex {

struct FieldSpec {
    std::string name;  // UTF-8; stored as GBK
    int type = 0;      // attribute type code; codes outside 0..9 are stored as given
    int width = 0;
    int decimals = 0;
};

struct DateValue {
    std::int16_t year = 0;
    std::int8_t month = 0;
    std::int8_t day = 0;
};

struct TimeValue {
    std::int8_t hour = 0;
    std::int8_t minute = 0;
    double seconds = 0.0;
};

// One attribute value. monostate = absent. std::string = text bytes (GBK) for codes 0 and 9;
// std::int64_t for codes 1, 2, 3 and 8 (must fit the code's width: 1 and 8 take 0..255);
// double (or std::int64_t) for 4 and 5 (code 4 stored as float).
using AttributeValue =
    std::variant<std::monostate, std::string, std::int64_t, double, DateValue, TimeValue>;

struct Vertex {
    double x = 0.0;
    double y = 0.0;
};

struct RecordSpec {
    bool deleted = false;
    bool damaged = false;  // stored with a wrong check value: the slot reads as kReadFailed
    // point: one part with one vertex; line: parts; polygon: rings (any order or orientation).
    std::vector<std::vector<Vertex>> parts;
    std::vector<AttributeValue> attributes;  // one per field, in field order
    // The graphic-parameter record stored verbatim: a TORVEX_LineInfo, TORVEX_PntInfo or
    // TORVEX_RegInfo (by file kind). Empty = all zero.
    std::vector<std::uint8_t> info;
    std::string text;  // annotation text, GBK bytes, at most 259 (points only)
};

class TorvexBuilder {
public:
    explicit TorvexBuilder(FileKind kind);

    void AddField(const FieldSpec& field);
    void SetProjection(const MAP_PARAstruct& projection);
    // Overrides the stored attribute record count (normally records + 1), to make a
    // mismatched file.
    void SetAttributeRecordCount(std::uint32_t count);
    void AddRecord(RecordSpec record);
    void AddProjectItem(const std::string& utf8Path);  // project files only

    // Throws std::invalid_argument for a description that cannot be stored (a value that does
    // not match its field's type, a text over 259 bytes, ...) and std::runtime_error when the
    // file cannot be written.
    void WriteTo(const std::filesystem::path& path) const;

private:
    FileKind m_kind;
    std::vector<FieldSpec> m_fields;
    std::optional<MAP_PARAstruct> m_projection;
    std::optional<std::uint32_t> m_recordCountOverride;
    std::vector<RecordSpec> m_records;
    std::vector<std::string> m_items;
};

}  // namespace Torvex
