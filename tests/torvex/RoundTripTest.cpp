// JSON description -> torvex-make -> reader: the annotation text of a point comes back whole, up
// to the longest a record holds, and only for annotations. (Geometry, style, projection and
// attribute values come back through the converters in tests/cases and are compared with the
// GDAL driver's in tests/gdal; the records' layouts are pinned in torvex/Records.h.)
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/torvex/TorvexTestSupport.h"
#include "torvex/Gbk.h"
#include "torvex/Torvex_Writer.h"

namespace {

using Torvex::Torvex_Writer;

TEST(RoundTripTest, AnnotationTextsWholeAndOnlyForAnnotations)
{
    std::string lake259;  // 129 two-byte characters in GBK and one ASCII byte
    for (int i = 0; i < 129; ++i) {
        lake259 += "湖";
    }
    lake259 += "a";
    const struct {
        int kind;  // 0 an annotation, 1 a sub-graph, 2 another point
        std::string text;
        bool delivered;
    } cases[] = {
        {0, "城关镇", true}, {0, std::string(259, 'x'), true},
        {0, "", true},       {0, lake259, true},
        {1, "符号", false},  {2, "村庄", false},
    };
    CalvornTest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto path = CalvornTest::MakeTorvexFile(
            dir, "point.wt",
            R"({"kind": "point", "records": [{"geometry": [1, 2], "text": ")" + c.text +
                R"(", "style": {"kind": )" + std::to_string(c.kind) + "}}]}");
        Torvex_Writer reader;
        ASSERT_GE(reader.Open(path, 1), 0);
        CalvornTest::ScopedGeometry g;
        Torvex::TORVEX_PntInfo info{};
        // A buffer of exactly the documented size (on the heap, for the sanitizers), full of
        // garbage.
        const auto text = std::make_unique<char[]>(Torvex_Writer::kAnnotationBufferSize);
        std::memset(text.get(), 'Z', Torvex_Writer::kAnnotationBufferSize);
        ASSERT_EQ(reader.ReadPointInfo(0, &info, g.g, text.get()), Torvex::kRecordRead);
        EXPECT_EQ(
            std::string(text.get(), strnlen(text.get(), Torvex_Writer::kAnnotationBufferSize)),
            c.delivered ? Torvex::Utf8ToGbk(c.text) : "");
    }
}

}  // namespace
