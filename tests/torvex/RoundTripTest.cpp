// JSON description -> torvex-make -> reader: geometry, style, text and projection come back
// through the reader's interface unchanged, at the offsets torvex/FORMAT.md gives. (Attribute
// values of every type are cases in tests/cases and compared between the converter and the
// GDAL driver in tests/gdal; deleted and damaged slots, claimed counts and project items are
// cases too.)
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/torvex/TorvexTestSupport.h"
#include "torvex/Gbk.h"
#include "torvex/Torvex_Writer.h"

namespace {

using CalvornTest::MakeTorvexFile;
using CalvornTest::Raw;
using CalvornTest::ScopedGeometry;
using CalvornTest::TempDir;
using Torvex::Torvex_Writer;
using I8 = std::int8_t;
using I16 = std::int16_t;
using I32 = std::int32_t;
using U8 = std::uint8_t;

struct Slot {
    int result;
    std::string info;  // the graphic-parameter record's bytes
    std::string text;  // the annotation text (points)
};

// Reads `slot` with the reader of `kind`; the text goes into a buffer of exactly the documented
// size (on the heap, for the sanitizers) that starts out full of garbage.
Slot ReadSlot(Torvex_Writer& reader, const std::string& kind, int slot, Torvex::Geometry* g)
{
    const auto text = std::make_unique<char[]>(Torvex_Writer::kAnnotationBufferSize);
    std::memset(text.get(), 'Z', Torvex_Writer::kAnnotationBufferSize);
    Torvex::TORVEX_LineInfo line{};
    Torvex::TORVEX_PntInfo point{};
    Torvex::TORVEX_RegInfo polygon{};
    if (kind == "point") {
        const int result = reader.ReadPointInfo(slot, &point, g, text.get());
        return {result, Raw(point),
                std::string(text.get(), strnlen(text.get(), Torvex_Writer::kAnnotationBufferSize))};
    }
    if (kind == "line") {
        return {reader.ReadArcInfo(slot, &line, g), Raw(line), ""};
    }
    return {reader.ReadPolygonInfo(slot, &polygon, g), Raw(polygon), ""};
}

// A geometry as a description writes it: [x, y] for a point (no parts), otherwise
// [[[x, y], ...], ...] part by part, numbers in their shortest form.
std::string GeometryJson(const Torvex::Geometry* g)
{
    const auto vertex = [g](int i) {
        char text[64];
        char* end = std::to_chars(text, text + 32, g->padfX[i]).ptr;
        end = std::to_chars(std::copy_n(", ", 2, end), text + 64, g->padfY[i]).ptr;
        return "[" + std::string(text, end) + "]";
    };
    if (g->nParts == 0) {
        return g->nVertices == 1 ? vertex(0) : "no vertex";
    }
    std::string json;
    for (int part = 0; part < g->nParts; ++part) {
        const int end = part + 1 < g->nParts ? g->panPartStart[part + 1] : g->nVertices;
        for (int i = g->panPartStart[part]; i < end; ++i) {
            json += (i == g->panPartStart[part] ? (part == 0 ? "[[" : ", [") : ", ") + vertex(i);
        }
        json += "]";
    }
    return json + "]";
}

// A member of a stored record: its key and value in a description, and the bytes the value
// must become at its offset in the record the reader hands out. A null key is a value the
// description leaves out.
struct Member {
    const char* key;
    std::string json;
    std::size_t offset;
    std::string bytes;
};

template <typename T, typename V>
Member M(const char* key, std::size_t offset, V value)
{
    std::ostringstream json;
    json.precision(17);
    json << value;
    return {key, json.str(), offset, Raw(static_cast<T>(value))};
}

std::string JsonObject(const std::vector<Member>& members)
{
    std::string json;
    for (const Member& m : members) {
        if (m.key != nullptr) {
            json += std::string(json.empty() ? "{" : ", ") + '"' + m.key + "\": " + m.json;
        }
    }
    return json.empty() ? "{}" : json + "}";
}

// The record's bytes: each member at its offset, zero everywhere else.
std::string Image(std::size_t size, const std::vector<Member>& members)
{
    std::string image(size, '\0');
    for (const Member& m : members) {
        image.replace(m.offset, m.bytes.size(), m.bytes);
    }
    return image;
}

TEST(RoundTripTest, EveryRecordKeepsItsGeometryStyleAndText)
{
    std::string lake259;  // 129 two-byte characters in GBK and one ASCII byte
    for (int i = 0; i < 129; ++i) {
        lake259 += "湖";
    }
    lake259 += "a";
    const struct {
        const char* kind;
        const char* geometry;
        std::vector<Member> style;
        std::string text = "";       // UTF-8 in the description; the reader hands out GBK
        bool textDelivered = false;  // only annotation points (kind 0) deliver their text
    } records[] = {
        {"point", "[500123.456, 3500987.125]", {}, "城关镇", true},
        {"point", "[0, 0]", {}, std::string(259, 'x'), true},
        {"point", "[0, 0]", {}, "", true},
        {"point",
         "[-1, 2]",
         {M<U8>("kind", 31, 0), M<float>("text_height", 33, 3.5), M<float>("text_width", 37, 4.5),
          M<float>("spacing", 41, 0.75), M<float>("angle", 45, 90), M<I16>("cn_font", 49, 1001),
          M<I16>("en_font", 51, -1002), M<I8>("glyph", 53, 7), M<I8>("arrange", 54, -8),
          M<I32>("color", 75, -2), M<I16>("layer", 83, 77)},
         lake259,
         true},
        {"point",
         "[0, 0]",
         {M<U8>("kind", 31, 1), M<I8>("transparent", 32, -1), M<I32>("subgraph", 33, -123456),
          M<float>("height", 37, 1.5), M<float>("width", 41, 2.25), M<float>("angle", 45, 45.5),
          M<I32>("color", 75, 305419896), M<I16>("layer", 83, -300)},
         "符号",
         false},
        {"point", "[0, 0]", {M<U8>("kind", 31, 2)}, "村庄", false},
        {"line",
         "[[[0, 0], [1, 1], [2, 0]], [[5.5, 5], [-6, 6.25]]]",
         {M<I16>("style", 22, -1234), M<I8>("aux_style", 24, -5), M<I8>("transparent", 25, 1),
          M<I32>("color", 26, 4294967295), M<float>("width", 30, 0.25), M<I8>("kind", 34, 7),
          M<float>("x_factor", 35, 1.25), M<float>("y_factor", 39, -2.5),
          M<I32>("aux_color", 43, 16711680), M<I16>("layer", 47, 32767)}},
        {"line", "[[[3, 4]]]", {}},
        // A hole listed first, both rings drawn counter-clockwise and left open: stored as given.
        {"polygon",
         "[[[2, 2], [3, 2], [3, 3], [2, 3]], [[0, 0], [10, 0], [10, 10], [0, 10]]]",
         {M<I32>("fill_color", 9, 65280), M<I16>("pattern", 13, -12),
          M<float>("pattern_height", 15, 2.5), M<float>("pattern_width", 19, 0.5),
          M<I32>("pattern_color", 23, 2147483648), M<I8>("transparent", 29, -1),
          M<I16>("layer", 30, 513)}},
    };
    const std::map<std::string, int> shapeTypes = {
        {"point", SHPT_POINT}, {"line", SHPT_ARC}, {"polygon", SHPT_POLYGON}};
    TempDir dir;
    for (const auto& r : records) {
        const std::string kind = r.kind;
        const std::string text = kind == "point" ? R"(, "text": ")" + r.text + '"' : "";
        const std::string record = std::string(R"({"geometry": )") + r.geometry + R"(, "style": )" +
                                   JsonObject(r.style) + text + "}";
        SCOPED_TRACE(record);
        const auto path = MakeTorvexFile(
            dir, "record", R"({"kind": ")" + kind + R"(", "records": [)" + record + "]}");
        Torvex_Writer reader;
        ASSERT_GE(reader.Open(path, 1), 0);
        int shapeType = 0;
        EXPECT_EQ(reader.GetInfo(nullptr, &shapeType, nullptr), 1);
        EXPECT_EQ(shapeType, shapeTypes.at(kind));
        ScopedGeometry g;
        const Slot slot = ReadSlot(reader, kind, 0, g.g);
        ASSERT_EQ(slot.result, Torvex::kRecordRead);
        EXPECT_EQ(g.g->nSHPType, shapeType);
        EXPECT_EQ(GeometryJson(g.g), r.geometry);
        const auto x = std::minmax_element(g.g->padfX, g.g->padfX + g.g->nVertices);
        const auto y = std::minmax_element(g.g->padfY, g.g->padfY + g.g->nVertices);
        EXPECT_EQ((std::vector<double>{g.g->dfXMin, g.g->dfYMin, g.g->dfXMax, g.g->dfYMax}),
                  (std::vector<double>{*x.first, *y.first, *x.second, *y.second}));
        EXPECT_EQ(slot.info, Image(slot.info.size(), r.style));
        EXPECT_EQ(slot.text, r.textDelivered ? Torvex::Utf8ToGbk(r.text) : "");
    }
}

TEST(RoundTripTest, ProjectionPresentAbsentAndDefaults)
{
    const std::vector<Member> full = {M<U8>("kind", 0, 3),
                                      M<I8>("unit", 1, 2),
                                      M<U8>("type", 18, 5),
                                      M<I8>("datum", 19, 1),
                                      M<double>("scale", 52, 1000.5),
                                      M<double>("central_meridian", 60, 1173015),
                                      M<double>("lat_origin", 84, -253000.5),
                                      M<double>("sp1", 92, 250000),
                                      M<double>("sp2", 100, 470000),
                                      M<double>("height", 125, 35786000)};
    // Missing members are 0, but the scale factor 1.0.
    const std::vector<Member> sparse = {M<U8>("kind", 0, 255), M<I8>("unit", 1, -1),
                                        M<U8>("type", 18, 20), M<I8>("datum", 19, -128),
                                        M<double>(nullptr, 52, 1)};
    const struct {
        std::string projection;  // "" leaves the key out
        int present;
        std::vector<Member> members;
    } cases[] = {
        {JsonObject(full), 1, full}, {JsonObject(sparse), 1, sparse}, {"null", 0, {}}, {"", 0, {}}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.projection);
        const std::string key =
            c.projection.empty() ? "" : R"("projection": )" + c.projection + ", ";
        const auto path =
            MakeTorvexFile(dir, "prj.wp", R"({"kind": "polygon", )" + key + R"("records": []})");
        Torvex_Writer reader;
        ASSERT_GE(reader.Open(path, 1), 0);
        Torvex::MAP_PARAstruct p;
        std::memset(&p, 0xAB, sizeof(p));
        EXPECT_EQ(reader.GetProjection(&p), c.present);
        EXPECT_EQ(Raw(p), Image(sizeof(p), c.members));
    }
}

}  // namespace
