// A conversion's pass over a large file hands the pages behind it back to the system; reading
// in any order afterwards must still see the file's own bytes.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "tests/torvex/TorvexTestSupport.h"
#include "torvex/Torvex_Writer.h"
#include "torvex/builder/TorvexBuilder.h"

namespace {

TEST(ReaderPass, SlotsReadAlikeInEveryOrderAcrossReleasedPages)
{
    // About 10 MB: several release steps for the index and the slots.
    constexpr int kSlots = 30000;
    constexpr int kVertices = 20;
    CalvornTest::TempDir dir;
    Torvex::TorvexBuilder builder(Torvex::FileKind::Line);
    builder.AddField({"NAME", 0, 20, 0});
    for (int slot = 0; slot < kSlots; ++slot) {
        Torvex::RecordSpec record;
        record.parts.emplace_back();
        for (int v = 0; v < kVertices; ++v) {
            record.parts[0].push_back({1000.0 * slot + v, -1000.0 * slot - v});
        }
        record.attributes = {std::string("row " + std::to_string(slot))};
        builder.AddRecord(std::move(record));
    }
    builder.WriteTo(dir / "lines.wl");

    Torvex::Torvex_Writer reader;
    ASSERT_EQ(reader.Open(dir / "lines.wl", 1), 0);
    // In order, backwards, at random: each slot's line and attribute are its own.
    std::vector<int> order(kSlots);
    std::iota(order.begin(), order.end(), 0);
    for (int slot = kSlots - 1; slot >= 0; slot -= 7) {
        order.push_back(slot);
    }
    std::mt19937 random(3);
    for (int i = 0; i < 2000; ++i) {
        order.push_back(static_cast<int>(random() % kSlots));
    }
    int wrong = 0;
    for (const int slot : order) {
        CalvornTest::ScopedGeometry g;
        const auto* value = static_cast<const char*>(reader.ReadAttribute(slot, 0, 0));
        wrong += reader.ReadArcInfo(slot, nullptr, g.g) != Torvex::kRecordRead ||
                 g.g->nVertices != kVertices || g.g->padfX[kVertices - 1] != 1000.0 * slot + 19 ||
                 g.g->padfY[0] != -1000.0 * slot || value == nullptr ||
                 std::string(value) != "row " + std::to_string(slot);
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
