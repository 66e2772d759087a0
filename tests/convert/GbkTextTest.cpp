#include "convert/GbkText.h"

#include <gtest/gtest.h>

namespace {

using Calvorn::GbkPrefixLength;

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

// Unique field names are a case in tests/cases/attributes.

}  // namespace
