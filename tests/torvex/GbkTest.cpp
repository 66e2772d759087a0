#include "torvex/Gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

struct Conversion {
    std::string utf8;
    std::string gbk;
    bool lossless;
};

// UTF-8 -> GBK: unrepresentable characters and invalid bytes each become one '?'.
TEST(GbkTest, Utf8ToGbk)
{
    const std::vector<Conversion> cases = {
        {"", "", true},
        {"plain ASCII", "plain ASCII", true},
        {"名称", "\xC3\xFB\xB3\xC6", true},
        {"道路 A1", "\xB5\xC0\xC2\xB7 A1", true},
        {"a\xF0\x9F\x98\x80"
         "b",
         "a?b", false},  // emoji: not in GBK
        {"a\xFF"
         "b",
         "a?b", false},                       // invalid byte
        {"\xE5\x90", "??", false},            // truncated sequence
        {"名\xC0\x80", "\xC3\xFB??", false},  // overlong form
        {"\xED\xA0\x80", "???", false},       // UTF-16 surrogate
        {"\xE4\xB8\x80\xF0\x9F\x98\x80\xE4\xB8\x80", "\xD2\xBB?\xD2\xBB", false},
    };
    for (const Conversion& c : cases) {
        bool lossless = !c.lossless;
        EXPECT_EQ(Torvex::Utf8ToGbk(c.utf8, &lossless), c.gbk) << c.utf8;
        EXPECT_EQ(lossless, c.lossless) << c.utf8;
    }
}

// GBK -> UTF-8: a byte that starts no valid character becomes U+FFFD, and the conversion goes
// on with the next byte, so a bad trail byte that is ASCII survives.
TEST(GbkTest, GbkToUtf8)
{
    const std::vector<Conversion> cases = {
        {"名称", "\xC3\xFB\xB3\xC6", true},
        {"D:\\maps\\道路.wl", "D:\\maps\\\xB5\xC0\xC2\xB7.wl", true},
        {"\xEF\xBF\xBD x", "\x81\x20x", false},
        {"a\xEF\xBF\xBD", "a\xFF", false},
        {"名\xEF\xBF\xBD", "\xC3\xFB\xB3", false},  // truncated at the end
    };
    for (const Conversion& c : cases) {
        bool lossless = !c.lossless;
        EXPECT_EQ(Torvex::GbkToUtf8(c.gbk, &lossless), c.utf8) << c.utf8;
        EXPECT_EQ(lossless, c.lossless) << c.utf8;
    }
}

TEST(GbkTest, IsValidUtf8)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", true},          {"名称 and ASCII", true}, {"\xF0\x9F\x98\x80", true},
        {"\xC0\x80", false}, {"\xED\xA0\x80", false},  {"\xF4\x90\x80\x80", false},
        {"\xE5\x90", false}, {"\x80", false},
    };
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(Torvex::IsValidUtf8(text), valid) << text;
    }
}

// Each thread must convert with its own state: interleaved conversions give the same bytes.
TEST(GbkTest, ConcurrentConversionsAgree)
{
    const std::string text = "道路名称\xF0\x9F\x98\x80 road";
    const std::string expected = Torvex::Utf8ToGbk(text);
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                const std::string gbk = Torvex::Utf8ToGbk(text);
                if (gbk != expected || Torvex::GbkToUtf8(gbk) != "道路名称? road") {
                    ++mismatches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
