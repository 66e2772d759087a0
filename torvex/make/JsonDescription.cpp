#include "torvex/make/JsonDescription.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <utility>

#include "torvex/Gbk.h"

namespace Torvex {

namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaxAnnotationBytes = 259;

// Every message starts with the place in the description, e.g. "records[3].style".
[[noreturn]] void Fail(const std::string& where, const std::string& what)
{
    throw std::invalid_argument(where.empty() ? what : where + ": " + what);
}

std::string Member(const std::string& where, std::string_view key)
{
    return where.empty() ? std::string(key) : where + "." + std::string(key);
}

std::string Element(const std::string& where, std::size_t index)
{
    return where + "[" + std::to_string(index) + "]";
}

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::string KindOf(const Json& value)
{
    switch (value.type()) {
        case Json::value_t::null:
            return "null";
        case Json::value_t::boolean:
            return "true/false";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
            return "an integer";
        case Json::value_t::number_float:
            return "a number with a fraction";
        case Json::value_t::string:
            return "a string";
        case Json::value_t::array:
            return "an array";
        case Json::value_t::object:
            return "an object";
        default:
            return "an unsupported value";
    }
}

[[noreturn]] void WrongType(const Json& value, const std::string& where,
                            const std::string& expected)
{
    Fail(where, "expected " + expected + ", got " + KindOf(value));
}

void ExpectObject(const Json& value, const std::string& where)
{
    if (!value.is_object()) {
        WrongType(value, where, "an object");
    }
}

void ExpectArray(const Json& value, const std::string& where)
{
    if (!value.is_array()) {
        WrongType(value, where, "an array");
    }
}

// Rejects every key of `object` that is not in `allowed`; `context` ends the message when the
// key would be fine in another kind of file.
void CheckKeys(const Json& object, const std::string& where,
               std::initializer_list<std::string_view> allowed, const std::string& context = {})
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end()) {
            Fail(where, "unknown key " + Quoted(it.key()) + context);
        }
    }
}

const Json* Find(const Json& object, std::string_view key)
{
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

const Json& Require(const Json& object, const std::string& where, std::string_view key)
{
    const Json* value = Find(object, key);
    if (value == nullptr) {
        Fail(where, "missing key " + Quoted(key));
    }
    return *value;
}

bool ExpectBool(const Json& value, const std::string& where)
{
    if (!value.is_boolean()) {
        WrongType(value, where, "true or false");
    }
    return value.get<bool>();
}

std::int64_t ExpectInteger(const Json& value, const std::string& where, std::int64_t min,
                           std::int64_t max)
{
    std::int64_t number = 0;
    if (value.is_number_unsigned()) {
        const auto unsignedNumber = value.get<std::uint64_t>();
        if (unsignedNumber > static_cast<std::uint64_t>(max)) {
            Fail(where, std::to_string(unsignedNumber) + " is out of range " + std::to_string(min) +
                            ".." + std::to_string(max));
        }
        number = static_cast<std::int64_t>(unsignedNumber);
    } else if (value.is_number_integer()) {
        number = value.get<std::int64_t>();
    } else {
        WrongType(value, where, "an integer");
    }
    if (number < min || number > max) {
        Fail(where, std::to_string(number) + " is out of range " + std::to_string(min) + ".." +
                        std::to_string(max));
    }
    return number;
}

template <typename T>
T ExpectIntegerOf(const Json& value, const std::string& where)
{
    return static_cast<T>(
        ExpectInteger(value, where, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// Colours are 32-bit members that users write either signed or as unsigned RGB values.
std::int32_t ExpectColor(const Json& value, const std::string& where)
{
    const std::int64_t number =
        ExpectInteger(value, where, std::numeric_limits<std::int32_t>::min(),
                      std::numeric_limits<std::uint32_t>::max());
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

double ExpectNumber(const Json& value, const std::string& where)
{
    if (!value.is_number()) {
        WrongType(value, where, "a number");
    }
    const double number = value.get<double>();
    if (!std::isfinite(number)) {
        Fail(where, "the number is out of range");
    }
    return number;
}

float ExpectFloat(const Json& value, const std::string& where)
{
    const double number = ExpectNumber(value, where);
    if (std::fabs(number) > std::numeric_limits<float>::max()) {
        Fail(where, "the number does not fit a 32-bit float");
    }
    return static_cast<float>(number);
}

std::string ExpectString(const Json& value, const std::string& where)
{
    if (!value.is_string()) {
        WrongType(value, where, "a string");
    }
    return value.get<std::string>();
}

// Text inside Torvex files is GBK; a character GBK cannot hold would silently become '?'.
std::string ToGbk(const std::string& utf8, const std::string& where)
{
    bool lossless = true;
    std::string gbk = Utf8ToGbk(utf8, &lossless);
    if (!lossless) {
        Fail(where, Quoted(utf8) + " holds a character that GBK cannot represent");
    }
    return gbk;
}

// Checks that GBK can hold the text; the builder takes names and paths as UTF-8.
std::string ExpectGbkString(const Json& value, const std::string& where)
{
    std::string utf8 = ExpectString(value, where);
    ToGbk(utf8, where);
    return utf8;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string ParseHex(const Json& object, const std::string& where)
{
    CheckKeys(object, where, {"hex"});
    const std::string hexWhere = Member(where, "hex");
    const std::string hex = ExpectString(Require(object, where, "hex"), hexWhere);
    if (hex.size() % 2 != 0) {
        Fail(hexWhere, "an odd number of hex digits");
    }
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            Fail(hexWhere, Quoted(hex.substr(i, 2)) + " is not a hex byte");
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

AttributeValue ParseText(const Json& value, const std::string& where)
{
    if (value.is_object()) {
        return ParseHex(value, where);
    }
    if (!value.is_string()) {
        WrongType(value, where, "a string or {\"hex\": ...}");
    }
    return ToGbk(value.get<std::string>(), where);
}

AttributeValue ParseDate(const Json& value, const std::string& where)
{
    if (!value.is_array() || value.size() != 3) {
        WrongType(value, where, "[year, month, day]");
    }
    DateValue date;
    date.year = ExpectIntegerOf<std::int16_t>(value[0], Element(where, 0));
    date.month = ExpectIntegerOf<std::int8_t>(value[1], Element(where, 1));
    date.day = ExpectIntegerOf<std::int8_t>(value[2], Element(where, 2));
    return date;
}

AttributeValue ParseTime(const Json& value, const std::string& where)
{
    if (!value.is_array() || value.size() != 3) {
        WrongType(value, where, "[hour, minute, seconds]");
    }
    TimeValue time;
    time.hour = ExpectIntegerOf<std::int8_t>(value[0], Element(where, 0));
    time.minute = ExpectIntegerOf<std::int8_t>(value[1], Element(where, 1));
    time.seconds = ExpectNumber(value[2], Element(where, 2));
    return time;
}

AttributeValue ParseAttribute(const Json& value, int type, const std::string& where)
{
    if (value.is_null()) {
        return std::monostate{};
    }
    switch (type) {
        case 0:
        case 9:
            return ParseText(value, where);
        case 1:
            return ExpectInteger(value, where, 0, 255);
        case 2:
            return ExpectInteger(value, where, std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max());
        case 3:
            return ExpectInteger(value, where, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max());
        case 4:
            return static_cast<double>(ExpectFloat(value, where));
        case 5:
            return ExpectNumber(value, where);
        case 6:
            return ParseDate(value, where);
        case 7:
            return ParseTime(value, where);
        case 8:
            if (value.is_boolean()) {
                return std::int64_t{value.get<bool>() ? 1 : 0};
            }
            if (!value.is_number_integer()) {
                WrongType(value, where, "true/false or an integer");
            }
            return ExpectInteger(value, where, 0, 255);
        default:
            Fail(where, "fields of type " + std::to_string(type) + " hold no values: give null");
    }
}

FileKind ParseKind(const Json& value, const std::string& where)
{
    static const std::pair<const char*, FileKind> kinds[] = {
        {"point", FileKind::Point}, {"line", FileKind::Line},       {"polygon", FileKind::Polygon},
        {"table", FileKind::Table}, {"project", FileKind::Project},
    };
    const std::string name = ExpectString(value, where);
    for (const auto& [text, kind] : kinds) {
        if (name == text) {
            return kind;
        }
    }
    Fail(where, Quoted(name) + " is not one of point, line, polygon, table, project");
}

std::vector<FieldSpec> ParseFields(const Json& value, const std::string& where)
{
    ExpectArray(value, where);
    std::vector<FieldSpec> fields;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const std::string at = Element(where, i);
        const Json& item = value[i];
        ExpectObject(item, at);
        CheckKeys(item, at, {"name", "type", "width", "decimals"});
        FieldSpec field;
        field.name = ExpectGbkString(Require(item, at, "name"), Member(at, "name"));
        if (field.name.empty()) {
            Fail(Member(at, "name"), "a field needs a name");
        }
        field.type = ExpectIntegerOf<std::int32_t>(Require(item, at, "type"), Member(at, "type"));
        constexpr std::int64_t kMaxSize = std::numeric_limits<std::int32_t>::max();
        if (const Json* width = Find(item, "width")) {
            field.width = static_cast<int>(ExpectInteger(*width, Member(at, "width"), 0, kMaxSize));
        }
        if (const Json* decimals = Find(item, "decimals")) {
            field.decimals =
                static_cast<int>(ExpectInteger(*decimals, Member(at, "decimals"), 0, kMaxSize));
        }
        fields.push_back(std::move(field));
    }
    return fields;
}

MAP_PARAstruct ParseProjection(const Json& value, const std::string& where)
{
    ExpectObject(value, where);
    CheckKeys(value, where,
              {"kind", "unit", "type", "datum", "scale", "central_meridian", "lat_origin", "sp1",
               "sp2", "height"});
    MAP_PARAstruct record{};
    // Coordinates are multiplied by the scale factor, so a missing one means "unchanged".
    record.scale = 1.0;
    const auto number = [&](std::string_view key, double& member) {
        if (const Json* item = Find(value, key)) {
            member = ExpectNumber(*item, Member(where, key));
        }
    };
    if (const Json* item = Find(value, "kind")) {
        record.kind = ExpectIntegerOf<std::uint8_t>(*item, Member(where, "kind"));
    }
    if (const Json* item = Find(value, "unit")) {
        record.unit = ExpectIntegerOf<std::int8_t>(*item, Member(where, "unit"));
    }
    if (const Json* item = Find(value, "type")) {
        record.type = ExpectIntegerOf<std::uint8_t>(*item, Member(where, "type"));
    }
    if (const Json* item = Find(value, "datum")) {
        record.datum = ExpectIntegerOf<std::int8_t>(*item, Member(where, "datum"));
    }
    double scale = record.scale;
    double centralMeridian = 0.0;
    double latOrigin = 0.0;
    double sp1 = 0.0;
    double sp2 = 0.0;
    double height = 0.0;
    number("scale", scale);
    number("central_meridian", centralMeridian);
    number("lat_origin", latOrigin);
    number("sp1", sp1);
    number("sp2", sp2);
    number("height", height);
    // Packed members cannot be bound to references, hence the locals.
    record.scale = scale;
    record.centralMeridian = centralMeridian;
    record.latOrigin = latOrigin;
    record.stdParallel1 = sp1;
    record.stdParallel2 = sp2;
    record.height = height;
    return record;
}

Vertex ParseVertex(const Json& value, const std::string& where)
{
    if (!value.is_array() || value.size() != 2) {
        WrongType(value, where, "[x, y]");
    }
    return Vertex{ExpectNumber(value[0], Element(where, 0)),
                  ExpectNumber(value[1], Element(where, 1))};
}

std::vector<std::vector<Vertex>> ParseGeometry(const Json& value, FileKind kind,
                                               const std::string& where)
{
    if (kind == FileKind::Point) {
        return {{ParseVertex(value, where)}};
    }
    const char* partName =
        kind == FileKind::Line ? "[[[x, y], ...], ...] (parts)" : "[[[x, y], ...], ...] (rings)";
    if (!value.is_array()) {
        WrongType(value, where, partName);
    }
    std::vector<std::vector<Vertex>> parts;
    for (std::size_t p = 0; p < value.size(); ++p) {
        const std::string partWhere = Element(where, p);
        ExpectArray(value[p], partWhere);
        std::vector<Vertex> part;
        for (std::size_t v = 0; v < value[p].size(); ++v) {
            part.push_back(ParseVertex(value[p][v], Element(partWhere, v)));
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

template <typename Info>
std::vector<std::uint8_t> InfoBytes(const Info& info)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&info);
    return std::vector<std::uint8_t>(bytes, bytes + sizeof(Info));
}

// Style readers assign through locals: packed members cannot be bound to references.
std::vector<std::uint8_t> ParseLineStyle(const Json& style, const std::string& where)
{
    CheckKeys(style, where,
              {"style", "aux_style", "transparent", "color", "width", "kind", "x_factor",
               "y_factor", "aux_color", "layer"},
              " in a line style");
    TORVEX_LineInfo info{};
    for (auto it = style.begin(); it != style.end(); ++it) {
        const std::string at = Member(where, it.key());
        const Json& v = it.value();
        const std::string& key = it.key();
        if (key == "style") {
            info.style = ExpectIntegerOf<std::int16_t>(v, at);
        } else if (key == "aux_style") {
            info.auxStyle = ExpectIntegerOf<std::int8_t>(v, at);
        } else if (key == "transparent") {
            info.transparent = ExpectIntegerOf<std::int8_t>(v, at);
        } else if (key == "color") {
            info.color = ExpectColor(v, at);
        } else if (key == "width") {
            info.width = ExpectFloat(v, at);
        } else if (key == "kind") {
            info.kind = ExpectIntegerOf<std::int8_t>(v, at);
        } else if (key == "x_factor") {
            info.xFactor = ExpectFloat(v, at);
        } else if (key == "y_factor") {
            info.yFactor = ExpectFloat(v, at);
        } else if (key == "aux_color") {
            info.auxColor = ExpectColor(v, at);
        } else if (key == "layer") {
            info.layer = ExpectIntegerOf<std::int16_t>(v, at);
        }
    }
    return InfoBytes(info);
}

std::vector<std::uint8_t> ParsePointStyle(const Json& style, const std::string& where)
{
    CheckKeys(style, where,
              {"kind", "transparent", "color", "layer", "subgraph", "height", "width", "angle",
               "text_height", "text_width", "spacing", "cn_font", "en_font", "glyph", "arrange"},
              " in a point style");
    // Sub-graph and annotation members share bytes 33..48 (angle is the same bytes in both).
    const auto has = [&](std::initializer_list<const char*> keys) -> const char* {
        for (const char* key : keys) {
            if (style.contains(key)) {
                return key;
            }
        }
        return nullptr;
    };
    const char* subGraphKey = has({"subgraph", "height", "width"});
    const char* annotationKey = has({"text_height", "text_width", "spacing"});
    if (subGraphKey != nullptr && annotationKey != nullptr) {
        Fail(where, Quoted(subGraphKey) + " (sub-graph) and " + Quoted(annotationKey) +
                        " (annotation) share the same bytes: give one set only");
    }
    TORVEX_PntInfo info{};
    for (auto it = style.begin(); it != style.end(); ++it) {
        const std::string at = Member(where, it.key());
        const Json& v = it.value();
        const std::string& key = it.key();
        if (key == "kind") {
            info.kind = ExpectIntegerOf<std::uint8_t>(v, at);
        } else if (key == "transparent") {
            info.transparent = ExpectIntegerOf<std::int8_t>(v, at);
        } else if (key == "color") {
            info.color = ExpectColor(v, at);
        } else if (key == "layer") {
            info.layer = ExpectIntegerOf<std::int16_t>(v, at);
        } else if (key == "subgraph") {
            info.u.sub.number = ExpectIntegerOf<std::int32_t>(v, at);
        } else if (key == "height") {
            info.u.sub.height = ExpectFloat(v, at);
        } else if (key == "width") {
            info.u.sub.width = ExpectFloat(v, at);
        } else if (key == "angle") {
            info.u.sub.angle = ExpectFloat(v, at);
        } else if (key == "text_height") {
            info.u.ann.height = ExpectFloat(v, at);
        } else if (key == "text_width") {
            info.u.ann.width = ExpectFloat(v, at);
        } else if (key == "spacing") {
            info.u.ann.spacing = ExpectFloat(v, at);
        } else if (key == "cn_font") {
            info.cnFont = ExpectIntegerOf<std::int16_t>(v, at);
        } else if (key == "en_font") {
            info.enFont = ExpectIntegerOf<std::int16_t>(v, at);
        } else if (key == "glyph") {
            info.glyph = ExpectIntegerOf<std::int8_t>(v, at);
        } else if (key == "arrange") {
            info.arrange = ExpectIntegerOf<std::int8_t>(v, at);
        }
    }
    return InfoBytes(info);
}

std::vector<std::uint8_t> ParsePolygonStyle(const Json& style, const std::string& where)
{
    CheckKeys(style, where,
              {"fill_color", "pattern", "pattern_height", "pattern_width", "pattern_color",
               "transparent", "layer"},
              " in a polygon style");
    TORVEX_RegInfo info{};
    for (auto it = style.begin(); it != style.end(); ++it) {
        const std::string at = Member(where, it.key());
        const Json& v = it.value();
        const std::string& key = it.key();
        if (key == "fill_color") {
            info.fillColor = ExpectColor(v, at);
        } else if (key == "pattern") {
            info.pattern = ExpectIntegerOf<std::int16_t>(v, at);
        } else if (key == "pattern_height") {
            info.patternHeight = ExpectFloat(v, at);
        } else if (key == "pattern_width") {
            info.patternWidth = ExpectFloat(v, at);
        } else if (key == "pattern_color") {
            info.patternColor = ExpectColor(v, at);
        } else if (key == "transparent") {
            info.transparent = ExpectIntegerOf<std::int8_t>(v, at);
        } else if (key == "layer") {
            info.layer = ExpectIntegerOf<std::int16_t>(v, at);
        }
    }
    return InfoBytes(info);
}

RecordSpec ParseRecord(const Json& value, FileKind kind, const std::vector<FieldSpec>& fields,
                       const std::string& where)
{
    ExpectObject(value, where);
    const std::string context = std::string(" in a ") + FileKindName(kind) + " file";
    switch (kind) {
        case FileKind::Point:
            CheckKeys(value, where,
                      {"deleted", "damaged", "geometry", "attributes", "style", "text"}, context);
            break;
        case FileKind::Line:
        case FileKind::Polygon:
            CheckKeys(value, where, {"deleted", "damaged", "geometry", "attributes", "style"},
                      context);
            break;
        default:
            CheckKeys(value, where, {"deleted", "damaged", "attributes"}, context);
            break;
    }
    RecordSpec record;
    if (const Json* item = Find(value, "deleted")) {
        record.deleted = ExpectBool(*item, Member(where, "deleted"));
    }
    if (const Json* item = Find(value, "damaged")) {
        record.damaged = ExpectBool(*item, Member(where, "damaged"));
    }
    if (kind != FileKind::Table) {
        record.parts =
            ParseGeometry(Require(value, where, "geometry"), kind, Member(where, "geometry"));
    }
    if (const Json* attributes = Find(value, "attributes")) {
        const std::string at = Member(where, "attributes");
        ExpectArray(*attributes, at);
        if (attributes->size() != fields.size()) {
            Fail(at, std::to_string(attributes->size()) + " values for " +
                         std::to_string(fields.size()) + " fields");
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            record.attributes.push_back(
                ParseAttribute((*attributes)[i], fields[i].type, Element(at, i)));
        }
    } else {
        record.attributes.assign(fields.size(), std::monostate{});
    }
    if (const Json* style = Find(value, "style")) {
        const std::string at = Member(where, "style");
        ExpectObject(*style, at);
        if (kind == FileKind::Line) {
            record.info = ParseLineStyle(*style, at);
        } else if (kind == FileKind::Point) {
            record.info = ParsePointStyle(*style, at);
        } else {
            record.info = ParsePolygonStyle(*style, at);
        }
    }
    if (const Json* text = Find(value, "text")) {
        const std::string at = Member(where, "text");
        record.text = ToGbk(ExpectString(*text, at), at);
        if (record.text.size() > kMaxAnnotationBytes) {
            Fail(at, std::to_string(record.text.size()) + " bytes in GBK, at most " +
                         std::to_string(kMaxAnnotationBytes));
        }
    }
    return record;
}

}  // namespace

TorvexBuilder JsonDescription::Parse(std::string_view json)
{
    Json root;
    try {
        root = Json::parse(json.begin(), json.end());
    } catch (const Json::parse_error& error) {
        throw std::invalid_argument(std::string("not valid JSON: ") + error.what());
    }
    ExpectObject(root, "description");
    const FileKind kind = ParseKind(Require(root, "", "kind"), "kind");
    const std::string context = std::string(" in a ") + FileKindName(kind) + " file";
    if (kind == FileKind::Project) {
        CheckKeys(root, "", {"kind", "items"}, context);
    } else {
        CheckKeys(root, "", {"kind", "fields", "projection", "attribute_record_count", "records"},
                  context);
    }

    TorvexBuilder builder(kind);
    if (kind == FileKind::Project) {
        const Json& items = Require(root, "", "items");
        ExpectArray(items, "items");
        for (std::size_t i = 0; i < items.size(); ++i) {
            builder.AddProjectItem(ExpectGbkString(items[i], Element("items", i)));
        }
        return builder;
    }

    std::vector<FieldSpec> fields;
    if (const Json* item = Find(root, "fields")) {
        fields = ParseFields(*item, "fields");
    }
    for (const FieldSpec& field : fields) {
        builder.AddField(field);
    }
    if (const Json* item = Find(root, "projection"); item != nullptr && !item->is_null()) {
        builder.SetProjection(ParseProjection(*item, "projection"));
    }
    if (const Json* item = Find(root, "attribute_record_count")) {
        builder.SetAttributeRecordCount(
            ExpectIntegerOf<std::uint32_t>(*item, "attribute_record_count"));
    }
    if (const Json* records = Find(root, "records")) {
        ExpectArray(*records, "records");
        for (std::size_t i = 0; i < records->size(); ++i) {
            builder.AddRecord(ParseRecord((*records)[i], kind, fields, Element("records", i)));
        }
    }
    return builder;
}

TorvexBuilder JsonDescription::Load(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return Parse(text);
}

}  // namespace Torvex
