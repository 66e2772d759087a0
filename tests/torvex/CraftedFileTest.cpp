// Files written byte by byte from torvex/FORMAT.md, and broken ones: each malformation gets
// its documented result, and no truncated or bit-flipped file can make the reader misbehave
// (the sanitizer build turns any bad memory access into a failure here).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fuzz/ReaderWalk.h"
#include "tests/torvex/TorvexTestSupport.h"
#include "torvex/Crc32.h"
#include "torvex/Gbk.h"
#include "torvex/Torvex_Prj.h"
#include "torvex/Torvex_Writer.h"

namespace {

using CalvornFuzz::Crc32;
using CalvornFuzz::ReadEverything;
using CalvornTest::Raw;
using CalvornTest::ScopedGeometry;
using CalvornTest::TempDir;
using Torvex::Torvex_Writer;
using U16 = std::uint16_t;
using U32 = std::uint32_t;
using U64 = std::uint64_t;
using Edit = std::function<void(std::string&)>;

template <typename T>
Edit Set(std::size_t offset, T value)
{
    return [=](std::string& bytes) { bytes.replace(offset, sizeof(T), Raw(value)); };
}

// The reader's check value takes a folding path for 64 bytes and more (where the processor
// allows) and tables for the rest: either way, every length around the path's steps, from every
// alignment, gives the definition's value.
TEST(CraftedFileTest, CheckValueEqualsTheDefinitionEitherWay)
{
    std::mt19937 random(7);
    std::string bytes(1100, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    int mismatches = 0;
    for (std::size_t offset = 0; offset < 16; ++offset) {
        for (std::size_t size = 0; size <= 1024; ++size) {
            const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset;
            const U32 expected = Crc32(bytes.data() + offset, size);
            mismatches += Torvex::Crc32(data, size) != expected;
            mismatches += Torvex::Crc32ByTables(data, size) != expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
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
std::string LineSlot(std::int16_t style, double x, std::int32_t value, const Edit& edit = {})
{
    std::string info(49, '\0');
    info.replace(22, 2, Raw(style));
    // check value, info length, text length, part count, vertex count; info; part; vertices
    std::string slot = Raw<U32>(0) + Raw<U16>(49) + Raw<U16>(0) + Raw<U32>(1) + Raw<U32>(2) + info +
                       Raw<U32>(2) + Raw(x) + Raw(x) + Raw(x + 1) + Raw(x);
    slot += '\1' + Raw(value);  // present, then the value
    if (edit) {
        edit(slot);
    }
    return Raw(Crc32(slot.data() + 4, slot.size() - 4)) + slot.substr(4);
}

// A line file of two slots, one i32 field "名称" of width 8 and a projection record whose scale
// is 2.0, written from the format description alone.
std::string CraftLineFile(const Edit& editFirstSlot = {})
{
    const std::string slots[] = {LineSlot(7, 10.0, 42, editFirstSlot), LineSlot(8, 20.0, 43)};
    // magic, version, kind, fields, flags, attribute records, slots, field table size, offsets
    std::string file = "TVXF" + Raw<U16>(1) + Raw<U16>(2) + Raw<U16>(1) + Raw<U16>(1) +
                       Raw<U32>(3) + Raw<U32>(2) + Raw<U32>(kFieldTableSize) +
                       Raw<U64>(kFieldTable) + Raw<U64>(kProjection) + Raw<U64>(kIndex);
    file.resize(kFieldTable, '\0');
    const std::string name = Torvex::Utf8ToGbk("名称");
    file += Raw<U16>(static_cast<U16>(name.size())) + Raw<std::int32_t>(3) + Raw<std::int32_t>(8) +
            Raw<std::int32_t>(0) + name;
    std::string projection(133, '\0');
    projection[0] = 3;
    file += projection.replace(52, 8, Raw(2.0));
    U64 offset = kFirstSlot;
    for (const std::string& slot : slots) {
        file += Raw(offset) + Raw(static_cast<U32>(slot.size())) + Raw<U32>(0);
        offset += slot.size();
    }
    return file + slots[0] + slots[1];
}

// The hand-made file reads as described, and a slot whose length changed (its check value
// right) reads as -9983 alone while the other slot still reads. (Malformations that keep every
// length are cases in tests/cases/hostile, on files torvex-make wrote in the same layout.)
TEST(CraftedFileTest, HandMadeFileReadsAsDescribedAndDamagedSlotsAlone)
{
    using enum Torvex::Result;
    const std::pair<const char*, Edit> cases[] = {
        {"good", {}},
        {"text in a line", [](std::string& s) { Set<U16>(6, 1)(s), s.insert(kSlotValue, "x"); }},
        {"value cut short", [](std::string& s) { s.pop_back(); }},
        {"bytes after the last value", [](std::string& s) { s.push_back('\0'); }},
    };
    TempDir dir;
    for (const auto& [what, firstSlot] : cases) {
        SCOPED_TRACE(what);
        CalvornTest::WriteFile(dir / "crafted.wl", CraftLineFile(firstSlot));
        Torvex_Writer reader;
        ASSERT_EQ(reader.Open(dir / "crafted.wl", 1), 0);
        int slots = 0, shapeType = 0, width = 0, decimals = -1;
        std::string name;
        EXPECT_EQ(reader.GetInfo(&slots, &shapeType, nullptr), 2);
        EXPECT_EQ(std::make_pair(slots, shapeType), std::make_pair(2, SHPT_ARC));
        EXPECT_EQ(reader.GetRecordCount(), 3);
        EXPECT_EQ(reader.GetFieldInfo(0, &name, nullptr, &width, &decimals), 3);
        EXPECT_EQ(name + "/" + std::to_string(width) + "/" + std::to_string(decimals), "名称/8/0");
        Torvex::MAP_PARAstruct projection{};
        EXPECT_EQ(reader.GetProjection(&projection), 1);
        EXPECT_EQ(projection.kind + projection.scale, 3 + 2.0);
        ScopedGeometry g;
        Torvex::TORVEX_LineInfo info{};
        EXPECT_EQ(reader.ReadArcInfo(0, &info, g.g), firstSlot ? kReadFailed : kRecordRead);
        EXPECT_EQ(g.g->nVertices, firstSlot ? 0 : 2);
        EXPECT_EQ(reader.ReadAttribute(0, 0, 3) == nullptr, static_cast<bool>(firstSlot));
        ASSERT_EQ(reader.ReadArcInfo(1, &info, g.g), Torvex::kRecordRead);
        EXPECT_EQ(+info.style, 8);
        ASSERT_EQ(g.g->nVertices, 2);
        EXPECT_EQ(g.g->padfX[1], 21.0);
        const auto* value = static_cast<const std::int32_t*>(reader.ReadAttribute(1, 0, 3));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(*value, 43);
    }

    Torvex_Writer reader;
    EXPECT_EQ(reader.Open(dir / "missing.wl", 1), Torvex::kOpenFailed);
    EXPECT_EQ(reader.Open(dir.Path(), 1), Torvex::kOpenFailed);
    EXPECT_EQ(reader.Open(dir / "crafted.wl", 2), Torvex::kOpenFailed);
    Torvex::Torvex_Prj project;
    EXPECT_EQ(project.LoadProject(dir / "crafted.wl"), Torvex::kNotSystemFile);
    EXPECT_EQ(project.LoadProject(dir / "missing.mpj"), Torvex::kOpenFailed);
}

// Good files to cut and flip: the hand-made one, the sample map and the odd cases the samples
// lack (a damaged slot, a field of unknown type, a table with a projection).
std::vector<std::string> GoodFiles(const TempDir& dir)
{
    std::vector<std::string> files = {CraftLineFile()};
    for (const char* name : {"roads", "towns", "lakes", "parcels", "map"}) {
        files.push_back(CalvornTest::ReadFile(CalvornTest::MakeSampleFile(dir, name)));
    }
    for (const char* json : {
             R"({"kind": "point", "fields": [{"name": "x", "type": 12}, {"name": "t", "type": 9}],
                 "records": [{"geometry": [1, 2], "text": "注记", "attributes": [null, "a"]},
                             {"geometry": [5, 6], "damaged": true, "attributes": [null, "b"]}]})",
             R"({"kind": "table", "fields": [{"name": "a", "type": 7}], "projection": {"kind": 1},
                 "records": [{"attributes": [[1, 2, 3.5]]}, {"attributes": [null]}]})"}) {
        files.push_back(CalvornTest::ReadFile(
            CalvornTest::MakeTorvexFile(dir, "odd" + std::to_string(files.size()), json)));
    }
    return files;
}

TEST(CraftedFileTest, TruncatedFilesAreRefusedAndNoDamagedFileCrashes)
{
    TempDir dir;
    for (const std::string& good : GoodFiles(dir)) {
        // Every byte of a good file belongs to some part of it, so any cut is refused.
        for (std::size_t length = 0; length < good.size(); ++length) {
            CalvornTest::WriteFile(dir / "cut", good.substr(0, length));
            ASSERT_EQ(ReadEverything(dir / "cut"), "") << "length " << length;
            Torvex_Writer reader;
            Torvex::Torvex_Prj project;
            ASSERT_LT(std::max(reader.Open(dir / "cut", 1), project.LoadProject(dir / "cut")), 0)
                << "length " << length;
        }
        // Flips of the low bits get valid check values, so that they reach the slot parser; flips
        // of the top bit meet the check.
        for (std::size_t i = 0; i < good.size(); ++i) {
            for (const std::uint8_t mask : {std::uint8_t(1u << (i % 7)), std::uint8_t(0x80)}) {
                std::string file = good;
                file[i] = static_cast<char>(file[i] ^ mask);
                if (mask != 0x80) {
                    CalvornFuzz::FixCheckValues(file);
                }
                CalvornTest::WriteFile(dir / "flipped", file);
                ASSERT_EQ(ReadEverything(dir / "flipped"), "") << "byte " << i << " mask " << +mask;
            }
        }
    }
}

}  // namespace
