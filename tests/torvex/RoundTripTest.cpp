// JSON description -> torvex-make -> reader: everything a description can say comes back
// through the reader's interface unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/torvex/MakeTorvexFile.h"
#include "torvex/Gbk.h"
#include "torvex/Geometry.h"
#include "torvex/Torvex_Prj.h"
#include "torvex/Torvex_Writer.h"

namespace {

using CalvornTest::MakeTorvexFile;
using CalvornTest::TempDir;
using Torvex::Torvex_Writer;

// Members of the packed records are compared through copies (unary +): gtest would bind a
// reference to a misaligned member.

template <typename T>
std::string Raw(T value)
{
    std::string bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

std::string Text(const std::string& utf8)
{
    return Torvex::Utf8ToGbk(utf8) + '\0';
}

// Geometry of one record in each kind of file (tables have none).
std::string GeometryFor(const std::string& kind)
{
    if (kind == "point") {
        return R"("geometry": [1, 2], )";
    }
    if (kind == "table") {
        return "";
    }
    return R"("geometry": [[[0, 0], [1, 0], [1, 1]]], )";
}

struct Geometry {
    Torvex::Geometry* g = Torvex::CreateGeometry();
    ~Geometry() { Torvex::DestroyGeometry(g); }
};

// Reads slot `slot` with the reader of the file's kind.
int ReadSlot(Torvex_Writer& reader, const std::string& kind, int slot, Torvex::Geometry* g)
{
    char text[Torvex_Writer::kAnnotationBufferSize];
    if (kind == "point") {
        Torvex::TORVEX_PntInfo info{};
        return reader.ReadPointInfo(slot, &info, g, text);
    }
    if (kind == "line") {
        Torvex::TORVEX_LineInfo info{};
        return reader.ReadArcInfo(slot, &info, g);
    }
    Torvex::TORVEX_RegInfo info{};
    return reader.ReadPolygonInfo(slot, &info, g);
}

TEST(RoundTripTest, AttributeValuesOfEveryTypeInEveryKind)
{
    // Per field: its type code, two present values in JSON and the bytes the reader delivers
    // for them. A third record holds only nulls.
    using Value = std::optional<std::string>;
    const std::string long300(300, 'b');
    const struct {
        int type;
        std::string values[2];
        Value delivered[2];
    } fields[] = {
        {0,
         {R"("长江路")", R"({"hex": "b3a4ff"})"},
         {Text("长江路"), std::string("\xb3\xa4\xff", 4)}},
        {1, {"200", "0"}, {Raw<std::uint8_t>(200), Raw<std::uint8_t>(0)}},
        {2, {"-2", "32767"}, {Raw<std::int16_t>(-2), Raw<std::int16_t>(32767)}},
        {3,
         {"-2147483648", "2147483647"},
         {Raw<std::int32_t>(INT32_MIN), Raw<std::int32_t>(INT32_MAX)}},
        {4, {"0.1", "-3.5"}, {Raw(0.1f), Raw(-3.5f)}},
        {5, {"1234.5678", "-1e300"}, {Raw(1234.5678), Raw(-1e300)}},
        {6,
         {"[2010, 5, 7]", "[-1, 0, -128]"},
         {Raw<std::int16_t>(2010) + "\x05\x07", Raw<std::int16_t>(-1) + std::string("\0\x80", 2)}},
        {7, {"[8, 5, 3.5]", "[0, 0, 0]"}, {"\x08\x05" + Raw(3.5), std::string(2, '\0') + Raw(0.0)}},
        {8, {"true", "7"}, {Raw<std::uint8_t>(1), Raw<std::uint8_t>(7)}},
        {9, {'"' + long300 + '"', R"("")"}, {long300 + '\0', std::string(1, '\0')}},
        {12, {"null", "null"}, {}},
        {-7, {"null", "null"}, {}},
    };
    const int count = static_cast<int>(std::size(fields));
    std::string fieldList, rows[3] = {"", "", ""};
    for (int i = 0; i < count; ++i) {
        const std::string comma = i == 0 ? "" : ", ";
        fieldList += comma + R"({"name": "字段)" + std::to_string(i) + R"(", "type": )" +
                     std::to_string(fields[i].type) + R"(, "width": )" + std::to_string(10 + i) +
                     R"(, "decimals": )" + std::to_string(i % 3) + "}";
        rows[0] += comma + fields[i].values[0];
        rows[1] += comma + fields[i].values[1];
        rows[2] += comma + "null";
    }

    TempDir dir;
    for (const std::string kind : {"point", "line", "polygon", "table"}) {
        SCOPED_TRACE(kind);
        std::string records;
        for (const std::string& row : rows) {
            records += (records.empty() ? "{" : ", {") + GeometryFor(kind) + R"("attributes": [)" +
                       row + "]}";
        }
        const auto path = MakeTorvexFile(dir, kind,
                                         R"({"kind": ")" + kind + R"(", "fields": [)" + fieldList +
                                             R"(], "records": [)" + records + "]}");
        Torvex_Writer reader;
        ASSERT_GE(reader.Open(path, 1), 0);
        ASSERT_EQ(reader.GetFieldCount(), count);
        EXPECT_EQ(reader.GetRecordCount(), 4);
        for (int field = 0; field < count; ++field) {
            std::string name;
            int reserved = 0, width = -1, decimals = -1;
            const int type = fields[field].type;
            EXPECT_EQ(reader.GetFieldInfo(field, &name, &reserved, &width, &decimals), type);
            EXPECT_EQ(name, "字段" + std::to_string(field));
            EXPECT_EQ(width, 10 + field);
            EXPECT_EQ(decimals, field % 3);
            for (int record = 0; record < 3; ++record) {
                SCOPED_TRACE("record " + std::to_string(record) + " type " + std::to_string(type));
                const auto* value =
                    static_cast<const char*>(reader.ReadAttribute(record, field, type));
                const Value want = record < 2 ? fields[field].delivered[record] : Value{};
                ASSERT_EQ(value != nullptr, want.has_value());
                if (want) {
                    EXPECT_EQ(std::string(value, want->size()), *want);
                }
            }
        }
        // The value is handed out only for the field's own type code.
        EXPECT_EQ(reader.ReadAttribute(0, 3, 2), nullptr);
        EXPECT_EQ(reader.ReadAttribute(3, 0, 0), nullptr);
    }
}

TEST(RoundTripTest, DeletedAndDamagedSlotsAndTheCounts)
{
    const std::string records = R"("records": [
        {"geometry": [[[1, 1], [2, 2]]], "attributes": [1]},
        {"geometry": [[[3, 3], [4, 4]]], "attributes": [2], "deleted": true},
        {"geometry": [[[5, 5], [6, 6]]], "attributes": [3], "damaged": true},
        {"geometry": [[[7, 7], [8, 8]]], "attributes": [4], "deleted": false, "damaged": false}])";
    const struct {
        const char* extra;
        int recordCount;
    } cases[] = {
        {"", 5}, {R"("attribute_record_count": 9, )", 9}, {R"("attribute_record_count": 0, )", 0}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extra);
        const auto path = MakeTorvexFile(
            dir, "slots.wl",
            std::string(R"({"kind": "line", "fields": [{"name": "n", "type": 3}], )") + c.extra +
                records + "}");
        Torvex_Writer reader;
        ASSERT_GE(reader.Open(path, 1), 0);
        int slots = 0, shapeType = 0, reserved = -1;
        EXPECT_EQ(reader.GetInfo(&slots, &shapeType, &reserved), 3);
        EXPECT_EQ(slots, 4);
        EXPECT_EQ(shapeType, SHPT_ARC);
        EXPECT_EQ(reader.GetRecordCount(), c.recordCount);
        const int results[] = {Torvex::kRecordRead, Torvex::kDeleted, Torvex::kReadFailed,
                               Torvex::kRecordRead};
        for (int slot = 0; slot < 4; ++slot) {
            Geometry g;
            EXPECT_EQ(ReadSlot(reader, "line", slot, g.g), results[slot]) << slot;
            if (results[slot] == Torvex::kRecordRead) {
                ASSERT_EQ(g.g->nVertices, 2);
                EXPECT_EQ(g.g->padfX[0], 2 * slot + 1);
                EXPECT_EQ(*static_cast<const std::int32_t*>(reader.ReadAttribute(slot, 0, 3)),
                          slot + 1);
            }
        }
        EXPECT_EQ(reader.ReadAttribute(2, 0, 3), nullptr);  // the damaged slot has no values
    }
}

TEST(RoundTripTest, GeometryOfEachKind)
{
    struct Case {
        const char* kind;
        const char* geometry;
        int shapeType;
        std::vector<int> partStarts;
        std::vector<std::pair<double, double>> vertices;
    };
    const Case cases[] = {
        // Points have no parts, as in shapelib.
        {"point", "[500123.456, 3500987.125]", SHPT_POINT, {}, {{500123.456, 3500987.125}}},
        {"line",
         "[[[0, 0], [1, 1], [2, 0]], [[5.5, 5], [-6, 6.25]]]",
         SHPT_ARC,
         {0, 3},
         {{0, 0}, {1, 1}, {2, 0}, {5.5, 5}, {-6, 6.25}}},
        {"line", "[[[3, 4]]]", SHPT_ARC, {0}, {{3, 4}}},
        // A hole listed first, both rings drawn counter-clockwise and left open: stored as given.
        {"polygon",
         "[[[2, 2], [3, 2], [3, 3], [2, 3]], [[0, 0], [10, 0], [10, 10], [0, 10]]]",
         SHPT_POLYGON,
         {0, 4},
         {{2, 2}, {3, 2}, {3, 3}, {2, 3}, {0, 0}, {10, 0}, {10, 10}, {0, 10}}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.geometry);
        const auto path =
            MakeTorvexFile(dir, "geometry",
                           std::string(R"({"kind": ")") + c.kind +
                               R"(", "records": [{"geometry": )" + c.geometry + "}]}");
        Torvex_Writer reader;
        ASSERT_GE(reader.Open(path, 1), 0);
        int shapeType = 0;
        EXPECT_EQ(reader.GetInfo(nullptr, &shapeType, nullptr), 1);
        EXPECT_EQ(shapeType, c.shapeType);
        Geometry g;
        ASSERT_EQ(ReadSlot(reader, c.kind, 0, g.g), Torvex::kRecordRead);
        EXPECT_EQ(g.g->nSHPType, c.shapeType);
        ASSERT_EQ(g.g->nParts, static_cast<int>(c.partStarts.size()));
        ASSERT_EQ(g.g->nVertices, static_cast<int>(c.vertices.size()));
        double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        for (int i = 0; i < g.g->nParts; ++i) {
            EXPECT_EQ(g.g->panPartStart[i], c.partStarts[i]);
        }
        for (int i = 0; i < g.g->nVertices; ++i) {
            EXPECT_EQ(g.g->padfX[i], c.vertices[i].first) << i;
            EXPECT_EQ(g.g->padfY[i], c.vertices[i].second) << i;
            minX = std::min(minX, c.vertices[i].first);
            maxX = std::max(maxX, c.vertices[i].first);
            minY = std::min(minY, c.vertices[i].second);
            maxY = std::max(maxY, c.vertices[i].second);
        }
        EXPECT_EQ(g.g->dfXMin, minX);
        EXPECT_EQ(g.g->dfXMax, maxX);
        EXPECT_EQ(g.g->dfYMin, minY);
        EXPECT_EQ(g.g->dfYMax, maxY);
    }
}

TEST(RoundTripTest, AnnotationTextsUpTo259Bytes)
{
    const std::string chinese259 = [] {
        std::string text;
        for (int i = 0; i < 129; ++i) {
            text += "湖";
        }
        return text + "a";
    }();
    const struct {
        int kind;
        std::string text;  // UTF-8; the reader hands out GBK
        std::string delivered;
    } cases[] = {
        {0, "城关镇", "城关镇"},
        {0, "", ""},
        {0, std::string(259, 'x'), std::string(259, 'x')},
        {0, chinese259, chinese259},
        // Only annotation points deliver their text.
        {1, "符号", ""},
        {2, "村庄", ""},
    };
    std::string records;
    for (const auto& c : cases) {
        records += std::string(records.empty() ? "" : ", ") +
                   R"({"geometry": [0, 0], "style": {"kind": )" + std::to_string(c.kind) +
                   R"(}, "text": ")" + c.text + "\"}";
    }
    TempDir dir;
    const auto path =
        MakeTorvexFile(dir, "texts.wt", R"({"kind": "point", "records": [)" + records + "]}");
    Torvex_Writer reader;
    ASSERT_GE(reader.Open(path, 1), 0);
    for (int slot = 0; slot < static_cast<int>(std::size(cases)); ++slot) {
        // Exactly the documented buffer size, filled with garbage, on the heap for ASan.
        auto text = std::make_unique<char[]>(Torvex_Writer::kAnnotationBufferSize);
        std::memset(text.get(), 'Z', Torvex_Writer::kAnnotationBufferSize);
        Torvex::TORVEX_PntInfo info{};
        Geometry g;
        ASSERT_EQ(reader.ReadPointInfo(slot, &info, g.g, text.get()), Torvex::kRecordRead);
        EXPECT_EQ(+info.kind, cases[slot].kind);
        EXPECT_EQ(std::string(text.get()), Torvex::Utf8ToGbk(cases[slot].delivered)) << slot;
    }
}

template <typename Info>
bool ReservedBytesZero(const Info& info, std::initializer_list<std::pair<int, int>> reserved)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&info);
    for (const auto& [from, to] : reserved) {
        for (int i = from; i <= to; ++i) {
            if (bytes[i] != 0) {
                return false;
            }
        }
    }
    return true;
}

// A record member as read through the struct, and the value the description gave it.
struct Member {
    template <typename T>
    Member(const char* name, T got, double want) : name(name), got(got), want(want)
    {
    }
    const char* name;
    double got;
    double want;
};

void ExpectMembers(std::initializer_list<Member> members)
{
    for (const Member& m : members) {
        EXPECT_EQ(m.got, m.want) << m.name;
    }
}

TEST(RoundTripTest, ProjectionPresentAbsentAndDefaults)
{
    const struct {
        const char* projection;  // "" leaves the key out
        int present;
        double want[10];  // kind, unit, type, datum, scale, the five angles
    } cases[] = {
        {R"({"kind": 3, "unit": 2, "type": 5, "datum": 1, "scale": 1000.5, "central_meridian": 1173015,
             "lat_origin": -253000.5, "sp1": 250000, "sp2": 470000, "height": 35786000})",
         1,
         {3, 2, 5, 1, 1000.5, 1173015, -253000.5, 250000, 470000, 35786000}},
        // Missing members are 0, but the scale factor 1.0.
        {R"({"kind": 255, "unit": -1, "type": 20, "datum": -128})", 1, {255, -1, 20, -128, 1.0}},
        {"null", 0, {}},
        {"", 0, {}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.projection);
        const std::string key =
            *c.projection ? std::string(R"("projection": )") + c.projection + ", " : "";
        const auto path =
            MakeTorvexFile(dir, "prj.wp", R"({"kind": "polygon", )" + key + R"("records": []})");
        Torvex_Writer reader;
        ASSERT_GE(reader.Open(path, 1), 0);
        Torvex::MAP_PARAstruct p;
        std::memset(&p, 0xAB, sizeof(p));
        EXPECT_EQ(reader.GetProjection(&p), c.present);
        const double* w = c.want;
        ExpectMembers({{"kind", +p.kind, w[0]},
                       {"unit", +p.unit, w[1]},
                       {"type", +p.type, w[2]},
                       {"datum", +p.datum, w[3]},
                       {"scale", p.scale, w[4]},
                       {"central_meridian", p.centralMeridian, w[5]},
                       {"lat_origin", p.latOrigin, w[6]},
                       {"sp1", p.stdParallel1, w[7]},
                       {"sp2", p.stdParallel2, w[8]},
                       {"height", p.height, w[9]}});
        EXPECT_TRUE(ReservedBytesZero(p, {{2, 17}, {20, 51}, {68, 83}, {108, 124}}));
    }
}

TEST(RoundTripTest, EveryStyleMemberAtItsOffset)
{
    TempDir dir;
    const auto line = MakeTorvexFile(dir, "style.wl", R"({"kind": "line", "records": [
        {"geometry": [[[0, 0], [1, 1]]], "style": {"style": -1234, "aux_style": -5, "transparent": 1,
         "color": 4294967295, "width": 0.25, "kind": 7, "x_factor": 1.25, "y_factor": -2.5,
         "aux_color": 16711680, "layer": 32767}},
        {"geometry": [[[0, 0], [1, 1]]]}]})");
    const auto point = MakeTorvexFile(dir, "style.wt", R"({"kind": "point", "records": [
        {"geometry": [0, 0], "style": {"kind": 1, "transparent": -1, "color": 305419896,
         "layer": -300, "subgraph": -123456, "height": 1.5, "width": 2.25, "angle": 45.5}},
        {"geometry": [0, 0], "style": {"kind": 0, "text_height": 3.5, "text_width": 4.5,
         "spacing": 0.75, "angle": 90, "cn_font": 1001, "en_font": -1002, "glyph": 7,
         "arrange": -8, "color": -2, "layer": 77}}]})");
    const auto polygon = MakeTorvexFile(dir, "style.wp", R"({"kind": "polygon", "records": [
        {"geometry": [[[0, 0], [1, 0], [1, 1]]], "style": {"fill_color": 65280, "pattern": -12,
         "pattern_height": 2.5, "pattern_width": 0.5, "pattern_color": 2147483648,
         "transparent": -1, "layer": 513}}]})");

    Geometry g;
    Torvex_Writer lineReader;
    ASSERT_GE(lineReader.Open(line, 1), 0);
    Torvex::TORVEX_LineInfo l{};
    ASSERT_EQ(lineReader.ReadArcInfo(0, &l, g.g), Torvex::kRecordRead);
    ExpectMembers({{"style", +l.style, -1234},
                   {"aux_style", +l.auxStyle, -5},
                   {"transparent", +l.transparent, 1},
                   {"color", +l.color, -1},
                   {"width", l.width, 0.25},
                   {"kind", +l.kind, 7},
                   {"x_factor", l.xFactor, 1.25},
                   {"y_factor", l.yFactor, -2.5},
                   {"aux_color", +l.auxColor, 16711680},
                   {"layer", +l.layer, 32767}});
    EXPECT_TRUE(ReservedBytesZero(l, {{0, 21}}));
    ASSERT_EQ(lineReader.ReadArcInfo(1, &l, g.g), Torvex::kRecordRead);
    EXPECT_TRUE(ReservedBytesZero(l, {{0, 48}}));  // no style: all zero

    Torvex_Writer pointReader;
    ASSERT_GE(pointReader.Open(point, 1), 0);
    Torvex::TORVEX_PntInfo p{};
    char text[Torvex_Writer::kAnnotationBufferSize];
    ASSERT_EQ(pointReader.ReadPointInfo(0, &p, g.g, text), Torvex::kRecordRead);
    ExpectMembers({{"kind", +p.kind, 1},
                   {"transparent", +p.transparent, -1},
                   {"color", +p.color, 305419896},
                   {"layer", +p.layer, -300},
                   {"subgraph", +p.u.sub.number, -123456},
                   {"height", p.u.sub.height, 1.5},
                   {"width", p.u.sub.width, 2.25},
                   {"angle", p.u.sub.angle, 45.5}});
    EXPECT_TRUE(ReservedBytesZero(p, {{0, 30}, {49, 74}, {79, 82}}));
    ASSERT_EQ(pointReader.ReadPointInfo(1, &p, g.g, text), Torvex::kRecordRead);
    ExpectMembers({{"kind", +p.kind, 0},
                   {"text_height", p.u.ann.height, 3.5},
                   {"text_width", p.u.ann.width, 4.5},
                   {"spacing", p.u.ann.spacing, 0.75},
                   {"angle", p.u.ann.angle, 90},
                   {"cn_font", +p.cnFont, 1001},
                   {"en_font", +p.enFont, -1002},
                   {"glyph", +p.glyph, 7},
                   {"arrange", +p.arrange, -8},
                   {"color", +p.color, -2},
                   {"layer", +p.layer, 77}});
    EXPECT_TRUE(ReservedBytesZero(p, {{0, 30}, {32, 32}, {55, 74}, {79, 82}}));

    Torvex_Writer polygonReader;
    ASSERT_GE(polygonReader.Open(polygon, 1), 0);
    Torvex::TORVEX_RegInfo r{};
    ASSERT_EQ(polygonReader.ReadPolygonInfo(0, &r, g.g), Torvex::kRecordRead);
    ExpectMembers({{"fill_color", +r.fillColor, 65280},
                   {"pattern", +r.pattern, -12},
                   {"pattern_height", r.patternHeight, 2.5},
                   {"pattern_width", r.patternWidth, 0.5},
                   {"pattern_color", +r.patternColor, INT32_MIN},
                   {"transparent", +r.transparent, -1},
                   {"layer", +r.layer, 513}});
    EXPECT_TRUE(ReservedBytesZero(r, {{0, 8}, {27, 28}}));
}

TEST(RoundTripTest, ProjectItemsAsWritten)
{
    const std::vector<std::string> items = {R"(D:\maps\roads.wl)", R"(\\server\共享\地图\湖泊.wp)",
                                            "parcels.wb", "/home/用户/towns.wt"};
    TempDir dir;
    const auto path = MakeTorvexFile(dir, "map.mpj", R"({"kind": "project", "items": [
        "D:\\maps\\roads.wl", "\\\\server\\共享\\地图\\湖泊.wp", "parcels.wb", "/home/用户/towns.wt"]})");
    Torvex::Torvex_Prj project;
    ASSERT_EQ(project.LoadProject(path), 4);
    for (int i = -1; i <= 4; ++i) {
        std::string item = "stale";
        const bool inRange = i >= 0 && i < 4;
        EXPECT_EQ(project.GetItemInfo(i, &item, nullptr, nullptr), inRange ? 1 : 0);
        EXPECT_EQ(item, inRange ? items[i] : "");
    }
}

// The sample map holds what the converters and the demo need; this fails when an edit of the
// JSON loses one of those things.
TEST(RoundTripTest, SampleMapCoversWhatItPromises)
{
    TempDir dir;
    std::set<int> types;
    const struct {
        const char* json;
        const char* kind;
        int shapeType;
    } files[] = {{"roads.json", "line", SHPT_ARC},
                 {"towns.json", "point", SHPT_POINT},
                 {"lakes.json", "polygon", SHPT_POLYGON},
                 {"parcels.json", "table", SHPT_NULL}};
    std::set<int> pointKinds;
    int deleted = 0, multiPart = 0, annotations = 0;
    for (const auto& f : files) {
        SCOPED_TRACE(f.json);
        const auto path =
            MakeTorvexFile(dir, f.kind, CalvornTest::ReadFile(CalvornTest::SamplePath(f.json)));
        Torvex_Writer reader;
        ASSERT_GE(reader.Open(path, 1), 0);
        int slots = 0, shapeType = -1;
        const int live = reader.GetInfo(&slots, &shapeType, nullptr);
        EXPECT_EQ(shapeType, f.shapeType);
        EXPECT_GT(live, 0);
        deleted += slots - live;
        for (int field = 0; field < reader.GetFieldCount(); ++field) {
            std::string name;
            int reserved = 0, width = 0, decimals = 0;
            types.insert(reader.GetFieldInfo(field, &name, &reserved, &width, &decimals));
        }
        Torvex::MAP_PARAstruct prj{};
        EXPECT_EQ(reader.GetProjection(&prj), f.shapeType == SHPT_NULL ? 0 : 1);
        if (f.shapeType != SHPT_NULL) {
            EXPECT_EQ(+prj.type, 5);
            EXPECT_EQ(+prj.centralMeridian, 1170000);
        }
        for (int slot = 0; slot < slots && f.shapeType != SHPT_NULL; ++slot) {
            Geometry g;
            Torvex::TORVEX_PntInfo info{};
            char text[Torvex_Writer::kAnnotationBufferSize] = {};
            const int result = f.shapeType == SHPT_POINT
                                   ? reader.ReadPointInfo(slot, &info, g.g, text)
                                   : ReadSlot(reader, f.kind, slot, g.g);
            if (result == Torvex::kRecordRead) {
                multiPart += g.g->nParts > 1;
                if (f.shapeType == SHPT_POINT) {
                    pointKinds.insert(info.kind);
                    annotations += info.kind == 0 && text[0] != '\0';
                }
            }
        }
    }
    for (int type = 0; type <= 9; ++type) {
        EXPECT_TRUE(types.count(type)) << "no field of type " << type;
    }
    EXPECT_GE(deleted, 1);
    EXPECT_GE(multiPart, 2);  // a multi-part road and a lake with an island
    EXPECT_GE(annotations, 2);
    EXPECT_TRUE(pointKinds.count(1) && pointKinds.count(2));

    const auto map =
        MakeTorvexFile(dir, "map.mpj", CalvornTest::ReadFile(CalvornTest::SamplePath("map.json")));
    Torvex::Torvex_Prj project;
    ASSERT_EQ(project.LoadProject(map), 4);
    std::string item;
    project.GetItemInfo(3, &item, nullptr, nullptr);
    EXPECT_EQ(item, R"(D:\maps\parcels.wb)");
}

}  // namespace
