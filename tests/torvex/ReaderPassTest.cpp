// A conversion's pass over a large file hands the pages behind it back to the system; reading
// in any order afterwards must still see the file's own bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/torvex/TorvexTestSupport.h"
#include "torvex/builder/TorvexBuilder.h"
#include "torvex/Torvex_Writer.h"

namespace {

constexpr int kVertices = 20;

double X(int slot, int vertex)
{
    return 1000.0 * slot + vertex;
}

// Reads `slot` and checks its line and its attribute against what the file was made from.
void ExpectSlot(Torvex::Torvex_Writer& reader, int slot)
{
    CalvornTest::ScopedGeometry g;
    ASSERT_EQ(reader.ReadArcInfo(slot, nullptr, g.g), Torvex::kRecordRead) << slot;
    ASSERT_EQ(g.g->nVertices, kVertices) << slot;
    EXPECT_EQ(g.g->padfX[kVertices - 1], X(slot, kVertices - 1)) << slot;
    EXPECT_EQ(g.g->padfY[0], -X(slot, 0)) << slot;
    const auto* value = static_cast<const char*>(reader.ReadAttribute(slot, 0, 0));
    ASSERT_NE(value, nullptr) << slot;
    EXPECT_EQ(std::string(value), "row " + std::to_string(slot));
}

TEST(ReaderPass, SlotsReadAlikeInEveryOrderAcrossReleasedPages)
{
    // About 10 MB: several release steps for the index and the slots.
    constexpr int kSlots = 30000;
    CalvornTest::TempDir dir;
    Torvex::TorvexBuilder builder(Torvex::FileKind::Line);
    builder.AddField({"NAME", 0, 20, 0});
    for (int slot = 0; slot < kSlots; ++slot) {
        Torvex::RecordSpec record;
        record.parts.emplace_back();
        for (int v = 0; v < kVertices; ++v) {
            record.parts[0].push_back({X(slot, v), -X(slot, v)});
        }
        record.attributes = {std::string("row " + std::to_string(slot))};
        builder.AddRecord(std::move(record));
    }
    builder.WriteTo(dir / "lines.wl");

    Torvex::Torvex_Writer reader;
    ASSERT_EQ(reader.Open(dir / "lines.wl", 1), 0);
    for (int slot = 0; slot < kSlots; ++slot) {
        ExpectSlot(reader, slot);
    }
    for (int slot = kSlots - 1; slot >= 0; slot -= 7) {
        ExpectSlot(reader, slot);
    }
    std::mt19937 random(3);
    for (int i = 0; i < 2000; ++i) {
        ExpectSlot(reader, static_cast<int>(random() % kSlots));
    }
}

}  // namespace
