// Files written byte by byte from torvex/FORMAT.md, and broken ones: each malformation gets
// its documented result, and no truncated or bit-flipped file can make the reader misbehave
// (the sanitizer build turns any bad memory access into a failure here).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
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

using CalvornTest::TempDir;
using Torvex::Torvex_Writer;

// Members of the packed records are compared through copies (unary +): gtest would bind a
// reference to a misaligned member.

template <typename T>
void Append(std::string& bytes, T value)
{
    bytes.append(reinterpret_cast<const char*>(&value), sizeof(T));
}

template <typename T>
void Put(std::string& bytes, std::size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof(T));
}

template <typename T>
T Get(const std::string& bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

std::uint32_t Crc32(const char* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint8_t>(data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// Offsets in the hand-made line file below.
constexpr std::size_t kFieldTable = 64;
constexpr std::size_t kFieldTableSize = 14 + 4;  // one descriptor, a 4-byte GBK name
constexpr std::size_t kProjection = kFieldTable + kFieldTableSize;
constexpr std::size_t kIndex = kProjection + 133;
constexpr std::size_t kFirstSlot = kIndex + 2 * 16;
// Inside a slot: info 49 bytes, one part of 2 vertices, one i32 value.
constexpr std::size_t kSlotParts = 16 + 49;
constexpr std::size_t kSlotValue = kSlotParts + 4 + 32;

// One line slot: style number `style` at info offset 22, the vertices (x, x) and (x + 1, x),
// value `value`. `edit` changes the bytes before the check value is computed.
std::string LineSlot(std::int16_t style, double x, std::int32_t value,
                     const std::function<void(std::string&)>& edit = {})
{
    std::string slot(4, '\0');
    Append<std::uint16_t>(slot, 49);
    Append<std::uint16_t>(slot, 0);
    Append<std::uint32_t>(slot, 1);
    Append<std::uint32_t>(slot, 2);
    std::string info(49, '\0');
    Put(info, 22, style);
    slot += info;
    Append<std::uint32_t>(slot, 2);
    for (double vx : {x, x + 1}) {
        Append(slot, vx);
        Append(slot, x);
    }
    Append<std::uint8_t>(slot, 1);
    Append(slot, value);
    if (edit) {
        edit(slot);
    }
    Put(slot, 0, Crc32(slot.data() + 4, slot.size() - 4));
    return slot;
}

// A line file of two slots, one i32 field "名称" of width 8 and a projection record whose scale
// is 2.0, written from the format description alone.
std::string CraftLineFile(const std::function<void(std::string&)>& editFirstSlot = {})
{
    const std::string slots[] = {LineSlot(7, 10.0, 42, editFirstSlot), LineSlot(8, 20.0, 43)};
    std::string file = "TVXF";
    Append<std::uint16_t>(file, 1);  // version
    Append<std::uint16_t>(file, 2);  // line
    Append<std::uint16_t>(file, 1);  // fields
    Append<std::uint16_t>(file, 1);  // projection present
    Append<std::uint32_t>(file, 3);  // attribute records
    Append<std::uint32_t>(file, 2);  // slots
    Append<std::uint32_t>(file, kFieldTableSize);
    Append<std::uint64_t>(file, kFieldTable);
    Append<std::uint64_t>(file, kProjection);
    Append<std::uint64_t>(file, kIndex);
    file.resize(64, '\0');
    const std::string name = Torvex::Utf8ToGbk("名称");
    Append<std::uint16_t>(file, static_cast<std::uint16_t>(name.size()));
    Append<std::int32_t>(file, 3);
    Append<std::int32_t>(file, 8);
    Append<std::int32_t>(file, 0);
    file += name;
    std::string projection(133, '\0');
    projection[0] = 3;
    Put(projection, 52, 2.0);
    file += projection;
    std::uint64_t offset = kFirstSlot;
    for (const std::string& slot : slots) {
        Append(file, offset);
        Append(file, static_cast<std::uint32_t>(slot.size()));
        Append<std::uint32_t>(file, 0);
        offset += slot.size();
    }
    return file + slots[0] + slots[1];
}

TEST(CraftedFileTest, HandMadeFileReadsAsDescribed)
{
    ASSERT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    TempDir dir;
    CalvornTest::WriteFile(dir / "a.wl", CraftLineFile());
    Torvex_Writer reader;
    ASSERT_EQ(reader.Open(dir / "a.wl", 1), 0);
    int slots = 0, shapeType = 0;
    EXPECT_EQ(reader.GetInfo(&slots, &shapeType, nullptr), 2);
    EXPECT_EQ(shapeType, SHPT_ARC);
    EXPECT_EQ(reader.GetRecordCount(), 3);
    std::string name;
    int reserved = 0, width = 0, decimals = -1;
    EXPECT_EQ(reader.GetFieldInfo(0, &name, &reserved, &width, &decimals), 3);
    EXPECT_EQ(name, "名称");
    EXPECT_EQ(width, 8);
    EXPECT_EQ(decimals, 0);
    Torvex::MAP_PARAstruct projection{};
    EXPECT_EQ(reader.GetProjection(&projection), 1);
    EXPECT_EQ(+projection.scale, 2.0);
    Torvex::Geometry* g = Torvex::CreateGeometry();
    Torvex::TORVEX_LineInfo info{};
    ASSERT_EQ(reader.ReadArcInfo(1, &info, g), Torvex::kRecordRead);
    EXPECT_EQ(+info.style, 8);
    ASSERT_EQ(g->nVertices, 2);
    EXPECT_EQ(g->padfX[1], 21.0);
    EXPECT_EQ(*static_cast<const std::int32_t*>(reader.ReadAttribute(1, 0, 3)), 43);
    Torvex::DestroyGeometry(g);
}

TEST(CraftedFileTest, EachMalformationGivesItsOpenResult)
{
    using Edit = std::function<void(std::string&)>;
    const std::size_t good = CraftLineFile().size();
    const struct {
        const char* what;
        Edit edit;
        int result;
    } cases[] = {
        {"good", [](std::string&) {}, 0},
        {"wrong magic", [](std::string& f) { f[3] = 'G'; }, Torvex::kNotTorvexFile},
        {"3 bytes", [](std::string& f) { f.resize(3); }, Torvex::kNotTorvexFile},
        {"empty", [](std::string& f) { f.clear(); }, Torvex::kNotTorvexFile},
        {"header cut short", [](std::string& f) { f.resize(63); }, Torvex::kReadFailed},
        {"version 2", [](std::string& f) { Put<std::uint16_t>(f, 4, 2); }, Torvex::kNotSystemFile},
        {"kind 0", [](std::string& f) { Put<std::uint16_t>(f, 6, 0); }, Torvex::kNotSystemFile},
        {"project kind", [](std::string& f) { Put<std::uint16_t>(f, 6, 5); },
         Torvex::kNotSystemFile},
        {"kind 6", [](std::string& f) { Put<std::uint16_t>(f, 6, 6); }, Torvex::kNotSystemFile},
        {"field table past the end", [&](std::string& f) { Put<std::uint64_t>(f, 24, good - 10); },
         Torvex::kReadFailed},
        {"field table offset wraps", [](std::string& f) { Put<std::uint64_t>(f, 24, ~0ull - 4); },
         Torvex::kReadFailed},
        {"projection past the end", [&](std::string& f) { Put<std::uint64_t>(f, 32, good - 132); },
         Torvex::kReadFailed},
        {"bad projection offset ignored without the flag",
         [](std::string& f) {
             Put<std::uint16_t>(f, 10, 0);
             Put<std::uint64_t>(f, 32, ~0ull);
         },
         0},
        {"index past the end", [&](std::string& f) { Put<std::uint64_t>(f, 40, good - 31); },
         Torvex::kReadFailed},
        {"slot count above 2^31", [](std::string& f) { Put<std::uint32_t>(f, 16, 0x80000000u); },
         Torvex::kReadFailed},
        {"slot count beyond the index", [](std::string& f) { Put<std::uint32_t>(f, 16, 1000); },
         Torvex::kReadFailed},
        {"slot past the end", [&](std::string& f) { Put<std::uint64_t>(f, kIndex, good - 20); },
         Torvex::kReadFailed},
        {"slot offset wraps", [](std::string& f) { Put<std::uint64_t>(f, kIndex, ~0ull - 8); },
         Torvex::kReadFailed},
        {"slot shorter than 16", [](std::string& f) { Put<std::uint32_t>(f, kIndex + 8, 15); },
         Torvex::kReadFailed},
        {"name length 0", [](std::string& f) { Put<std::uint16_t>(f, kFieldTable, 0); },
         Torvex::kFieldDefinitionError},
        {"negative width", [](std::string& f) { Put<std::int32_t>(f, kFieldTable + 6, -1); },
         Torvex::kFieldDefinitionError},
        {"negative decimals", [](std::string& f) { Put<std::int32_t>(f, kFieldTable + 10, -2); },
         Torvex::kFieldDefinitionError},
        {"table not used up",
         [](std::string& f) { Put<std::uint32_t>(f, 20, kFieldTableSize + 1); },
         Torvex::kFieldDefinitionError},
        {"descriptor past the table",
         [](std::string& f) { Put<std::uint32_t>(f, 20, kFieldTableSize - 1); },
         Torvex::kFieldDefinitionError},
        {"more fields than descriptors", [](std::string& f) { Put<std::uint16_t>(f, 8, 2); },
         Torvex::kFieldDefinitionError},
        {"fewer fields than descriptors", [](std::string& f) { Put<std::uint16_t>(f, 8, 0); },
         Torvex::kFieldDefinitionError},
    };
    TempDir dir;
    for (const auto& c : cases) {
        std::string file = CraftLineFile();
        c.edit(file);
        CalvornTest::WriteFile(dir / "crafted.wl", file);
        Torvex_Writer reader;
        EXPECT_EQ(reader.Open(dir / "crafted.wl", 1), c.result) << c.what;
    }

    Torvex_Writer reader;
    EXPECT_EQ(reader.Open(dir / "missing.wl", 1), Torvex::kOpenFailed);
    EXPECT_EQ(reader.Open(dir.Path(), 1), Torvex::kOpenFailed);
    EXPECT_EQ(reader.Open(dir / "crafted.wl", 2), Torvex::kOpenFailed);
    Torvex::Torvex_Prj project;
    CalvornTest::WriteFile(dir / "line.wl", CraftLineFile());
    EXPECT_EQ(project.LoadProject(dir / "line.wl"), Torvex::kNotSystemFile);
    EXPECT_LE(project.LoadProject(dir / "missing.mpj"), 0);
}

TEST(CraftedFileTest, MalformedSlotFailsAloneWithItsCheckValueRight)
{
    using Edit = std::function<void(std::string&)>;
    const struct {
        const char* what;
        Edit edit;
    } cases[] = {
        {"stored check value wrong", {}},  // the damaged slot: check value of other bytes
        {"no part", [](std::string& s) { Put<std::uint32_t>(s, 8, 0); }},
        {"part counts do not sum up", [](std::string& s) { Put<std::uint32_t>(s, kSlotParts, 3); }},
        {"vertex count huge", [](std::string& s) { Put<std::uint32_t>(s, 12, 0xFFFFFFFFu); }},
        {"part count huge", [](std::string& s) { Put<std::uint32_t>(s, 8, 0x40000000u); }},
        {"info runs past the slot", [](std::string& s) { Put<std::uint16_t>(s, 4, 0xFFFF); }},
        {"text in a line",
         [](std::string& s) {
             Put<std::uint16_t>(s, 6, 1);
             s.insert(kSlotValue, "x");
         }},
        {"presence byte 2", [](std::string& s) { s[kSlotValue] = 2; }},
        {"value cut short", [](std::string& s) { s.pop_back(); }},
        {"bytes after the last value", [](std::string& s) { s.push_back('\0'); }},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = CraftLineFile(c.edit);
        if (!c.edit) {
            file[kFirstSlot + 30] ^= 0x10;
        }
        CalvornTest::WriteFile(dir / "slot.wl", file);
        Torvex_Writer reader;
        ASSERT_EQ(reader.Open(dir / "slot.wl", 1), 0);
        int slots = 0;
        EXPECT_EQ(reader.GetInfo(&slots, nullptr, nullptr), 2);
        Torvex::Geometry* g = Torvex::CreateGeometry();
        Torvex::TORVEX_LineInfo info{};
        EXPECT_EQ(reader.ReadArcInfo(0, &info, g), Torvex::kReadFailed);
        EXPECT_EQ(g->nVertices, 0);
        EXPECT_EQ(reader.ReadAttribute(0, 0, 3), nullptr);
        EXPECT_EQ(reader.ReadArcInfo(1, &info, g), Torvex::kRecordRead);
        EXPECT_EQ(+info.style, 8);
        EXPECT_NE(reader.ReadAttribute(1, 0, 3), nullptr);
        Torvex::DestroyGeometry(g);
    }
}

volatile double g_sink = 0;  // keeps the reads of delivered values from being optimised away

// Reads all a converter would and returns the first inconsistency found, or "" (memory errors
// are the sanitizers' to report).
std::string ReadEverything(const std::filesystem::path& path)
{
    static const std::set<int> openErrors = {Torvex::kNotSystemFile, Torvex::kNotTorvexFile,
                                             Torvex::kOpenFailed, Torvex::kReadFailed,
                                             Torvex::kFieldDefinitionError};
    static const std::set<int> slotResults = {Torvex::kRecordRead, Torvex::kDeleted,
                                              Torvex::kReadFailed, -1, -2};
    Torvex::Torvex_Prj project;
    const int items = project.LoadProject(path);
    for (int i = 0; i < items; ++i) {
        std::string item;
        if (project.GetItemInfo(i, &item, nullptr, nullptr) != 1) {
            return "item not delivered";
        }
    }
    Torvex_Writer reader;
    const int open = reader.Open(path, 1);
    if (open < 0) {
        return openErrors.count(open) ? "" : "open result " + std::to_string(open);
    }
    int slots = 0, shapeType = 0, reserved = 0;
    const int live = reader.GetInfo(&slots, &shapeType, &reserved);
    if (live < 0 || live > slots) {
        return "live count " + std::to_string(live);
    }
    for (int slot = -1; slot <= slots; ++slot) {
        for (int kind = 0; kind < 3; ++kind) {
            Torvex::Geometry* g = Torvex::CreateGeometry();
            auto text = std::make_unique<char[]>(Torvex_Writer::kAnnotationBufferSize);
            Torvex::TORVEX_LineInfo line;
            Torvex::TORVEX_PntInfo point;
            Torvex::TORVEX_RegInfo polygon;
            const int result = kind == 0   ? reader.ReadArcInfo(slot, &line, g)
                               : kind == 1 ? reader.ReadPointInfo(slot, &point, g, text.get())
                                           : reader.ReadPolygonInfo(slot, &polygon, g);
            std::string problem;
            if (!slotResults.count(result)) {
                problem = "slot result " + std::to_string(result);
            } else if (kind == 1 && strnlen(text.get(), Torvex_Writer::kAnnotationBufferSize) ==
                                        Torvex_Writer::kAnnotationBufferSize) {
                problem = "text not terminated";
            }
            for (int part = 0; part < g->nParts && problem.empty(); ++part) {
                if (g->panPartStart[part] < 0 || g->panPartStart[part] >= g->nVertices) {
                    problem = "part start out of range";
                }
            }
            for (int v = 0; v < g->nVertices; ++v) {
                g_sink = g_sink + g->padfX[v] + g->padfY[v];
            }
            if (result == Torvex::kRecordRead && shapeType == SHPT_POLYGON) {
                Torvex::FixGeoTopo(g);
            }
            Torvex::DestroyGeometry(g);
            if (!problem.empty()) {
                return problem + " in slot " + std::to_string(slot);
            }
        }
    }
    for (int field = 0; field < reader.GetFieldCount(); ++field) {
        std::string name;
        int width = 0, decimals = 0;
        const int type = reader.GetFieldInfo(field, &name, &reserved, &width, &decimals);
        for (int record = 0; record <= slots; ++record) {
            const auto* value = static_cast<const char*>(reader.ReadAttribute(record, field, type));
            if (value != nullptr && (type == 0 || type == 9)) {
                g_sink = g_sink + static_cast<double>(std::strlen(value));
            } else if (value != nullptr && (type < 0 || type > 9)) {
                return "a value of unknown type " + std::to_string(type);
            }
        }
    }
    Torvex::MAP_PARAstruct projection;
    const int hasProjection = reader.GetProjection(&projection);
    return hasProjection == 0 || hasProjection == 1 ? "" : "projection result";
}

// Small good files of every kind, as torvex-make writes them.
std::vector<std::string> SmallGoodFiles(const TempDir& dir)
{
    const char* descriptions[] = {
        R"({"kind": "point", "fields": [{"name": "名", "type": 0, "width": 4}, {"name": "t", "type": 7},
            {"name": "d", "type": 6}, {"name": "x", "type": 12}],
            "projection": {"kind": 3, "type": 5, "central_meridian": 1170000},
            "records": [{"geometry": [1, 2], "text": "注记", "attributes": ["甲", [1, 2, 3.5], null, null]},
                        {"geometry": [3, 4], "deleted": true, "style": {"kind": 1}},
                        {"geometry": [5, 6], "damaged": true, "attributes": [null, null, [2000, 1, 1], null]}]})",
        R"({"kind": "line", "fields": [{"name": "a", "type": 5}, {"name": "b", "type": 9}],
            "records": [{"geometry": [[[0, 0], [1, 1]], [[2, 2], [3, 3], [4, 4]]], "attributes": [1.5, "x"]}]})",
        R"({"kind": "polygon", "fields": [{"name": "a", "type": 1}, {"name": "b", "type": 8}],
            "records": [{"geometry": [[[0, 0], [4, 0], [4, 4], [0, 4]], [[1, 1], [1, 2], [2, 2]]],
                         "attributes": [7, true], "style": {"fill_color": 5}}]})",
        R"({"kind": "table", "fields": [{"name": "a", "type": 2}, {"name": "b", "type": 3},
            {"name": "c", "type": 4}], "records": [{"attributes": [1, 2, 3]}, {"attributes": [null, 5, null]}]})",
        R"({"kind": "project", "items": ["D:\\maps\\a.wl", "b.wt"]})",
    };
    std::vector<std::string> files;
    int n = 0;
    for (const char* description : descriptions) {
        files.push_back(CalvornTest::ReadFile(
            CalvornTest::MakeTorvexFile(dir, "good" + std::to_string(n++), description)));
    }
    return files;
}

TEST(CraftedFileTest, TruncatedFilesNeverCrash)
{
    TempDir dir;
    std::vector<std::string> files = SmallGoodFiles(dir);
    files.push_back(CraftLineFile());
    for (const std::string& file : files) {
        for (std::size_t length = 0; length <= file.size(); ++length) {
            CalvornTest::WriteFile(dir / "cut", file.substr(0, length));
            ASSERT_EQ(ReadEverything(dir / "cut"), "") << "length " << length;
        }
    }
}

TEST(CraftedFileTest, BitFlippedFilesNeverCrash)
{
    TempDir dir;
    for (const std::string& good : SmallGoodFiles(dir)) {
        // Slots of data files, so that flips inside them can be given a valid check value and
        // reach the slot parser instead of the check.
        std::vector<std::pair<std::uint64_t, std::uint32_t>> slots;
        if (Get<std::uint16_t>(good, 6) != 5) {
            const auto index = Get<std::uint64_t>(good, 40);
            for (std::uint32_t s = 0; s < Get<std::uint32_t>(good, 16); ++s) {
                slots.emplace_back(Get<std::uint64_t>(good, index + 16 * s),
                                   Get<std::uint32_t>(good, index + 16 * s + 8));
            }
        }
        for (std::size_t i = 0; i < good.size(); ++i) {
            for (const std::uint8_t mask : {std::uint8_t(1u << (i % 8)), std::uint8_t(0x80)}) {
                std::string file = good;
                file[i] = static_cast<char>(file[i] ^ mask);
                for (const auto& [offset, length] : slots) {
                    if (i >= offset + 4 && i < offset + length) {
                        Put(file, offset, Crc32(file.data() + offset + 4, length - 4));
                    }
                }
                CalvornTest::WriteFile(dir / "flipped", file);
                ASSERT_EQ(ReadEverything(dir / "flipped"), "") << "byte " << i << " mask " << +mask;
            }
        }
    }
}

}  // namespace
