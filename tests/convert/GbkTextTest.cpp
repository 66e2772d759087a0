#include "convert/GbkText.h"

#include <gtest/gtest.h>

namespace {

using Calvorn::GbkPrefixLength;
using Calvorn::UniqueFieldName;

// GBK bytes: 中 D6D0, 文 CEC4, 丄 8141, 乤 8161 (trail bytes 'A' and 'a').
const std::string Zhong = "\xD6\xD0";
const std::string Wen = "\xCE\xC4";

TEST(GbkText, PrefixEndsOnCharacterBoundary)
{
    struct Case {
        std::string text;
        std::size_t max;
        std::size_t expected;
    };
    const Case cases[] = {
        {"abcdef", 4, 4},
        {"ab", 10, 2},
        {"a" + Zhong + Wen, 2, 1},  // the first double-byte character would not fit whole
        {"a" + Zhong + Wen, 3, 3},
        {"a" + Zhong + Wen, 4, 3},
        {Zhong + Wen, 4, 4},
        {Zhong + Wen, 1, 0},
        {"a\x81", 2, 2},         // a lone lead byte at the end counts as one byte
        {"\x81\x41\x41", 2, 2},  // a trail byte in ASCII range stays with its lead
        {"\xFF"
         "a",
         1, 1},  // 0xFF starts no double-byte character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GbkPrefixLength(c.text, c.max), c.expected) << c.text << " / " << c.max;
    }
}

TEST(GbkText, UniqueNames)
{
    const std::string tenChinese = Zhong + Wen + Zhong + Wen + Zhong;  // 10 bytes
    struct Case {
        std::string name;
        std::vector<std::string> taken;
        std::string expected;
    };
    const Case cases[] = {
        {"ROAD_NAME_LONG", {}, "ROAD_NAME_"},
        {"roadname", {"ROADNAME"}, "roadname_1"},
        {Zhong + "id", {Zhong + "ID"}, Zhong + "id_1"},
        {"Road", {"Roads"}, "Road"},
        {"\x81\x61", {"\x81\x41"}, "\x81\x61"},  // two different characters, not a case pair
        {"ROAD_NAME_X", {"ROAD_NAME_"}, "ROAD_NAM_1"},
        {"ROAD_NAME_Y", {"ROAD_NAME_", "ROAD_NAM_1"}, "ROAD_NAM_2"},
        {"ROAD_NAME_Z", {"road_name_", "road_nam_2"}, "ROAD_NAM_1"},  // first free number
        {tenChinese + Wen, {tenChinese}, Zhong + Wen + Zhong + Wen + "_1"},
        {"a" + tenChinese, {}, "a" + Zhong + Wen + Zhong + Wen},
        {"a" + tenChinese, {"A" + Zhong + Wen + Zhong + Wen}, "a" + Zhong + Wen + Zhong + "_1"},
        {"x", {"X", "x_1", "X_2", "x_3", "X_4", "x_5", "X_6", "x_7", "X_8", "x_9"}, "x_10"},
    };
    for (const Case& c : cases) {
        const std::string name = UniqueFieldName(c.name, c.taken, 10);
        EXPECT_EQ(name, c.expected) << c.name;
        EXPECT_LE(name.size(), 10u);
    }
}

}  // namespace
