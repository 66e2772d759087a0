#include "torvex/Gbk.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// To GBK, a character GBK cannot represent and each invalid UTF-8 byte become one '?'. Back to
// UTF-8, a byte that starts no valid GBK character becomes U+FFFD and the conversion goes on
// with the next byte, so an ASCII trail byte survives.
TEST(GbkTest, ConversionsBothWaysTellWhenTheyLoseText)
{
    const struct {
        bool toGbk;
        std::string from;
        std::string to;
        bool lossless;
    } cases[] = {
        {true, "", "", true},
        {true, "名称", "\xC3\xFB\xB3\xC6", true},
        {true, "道路 A1", "\xB5\xC0\xC2\xB7 A1", true},
        {true, "a\xF0\x9F\x98\x80z", "a?z", false},  // emoji
        {true, "a\xFFz", "a?z", false},
        {true, "\xE5\x90", "??", false},            // truncated sequence
        {true, "名\xC0\x80", "\xC3\xFB??", false},  // overlong form
        {true, "\xED\xA0\x80", "???", false},       // UTF-16 surrogate
        {true, "\xE4\xB8\x80\xF0\x9F\x98\x80\xE4\xB8\x80", "\xD2\xBB?\xD2\xBB", false},
        {false, "\xC3\xFB\xB3\xC6", "名称", true},
        {false, "D:\\maps\\\xB5\xC0\xC2\xB7.wl", "D:\\maps\\道路.wl", true},
        {false, "\x81\x20x", "\xEF\xBF\xBD x", false},
        {false, "a\xFF", "a\xEF\xBF\xBD", false},
        {false, "\xC3\xFB\xB3", "名\xEF\xBF\xBD", false},  // truncated at the end
    };
    for (const auto& c : cases) {
        bool lossless = !c.lossless;
        EXPECT_EQ(
            c.toGbk ? Torvex::Utf8ToGbk(c.from, &lossless) : Torvex::GbkToUtf8(c.from, &lossless),
            c.to)
            << c.from;
        EXPECT_EQ(lossless, c.lossless) << c.from;
    }
}

TEST(GbkTest, IsValidUtf8)
{
    const std::pair<std::string, bool> cases[] = {
        {"", true},          {"名称 and ASCII", true}, {"\xF0\x9F\x98\x80", true},
        {"\xC0\x80", false}, {"\xED\xA0\x80", false},  {"\xF4\x90\x80\x80", false},
        {"\xE5\x90", false}, {"\x80", false},
    };
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(Torvex::IsValidUtf8(text), valid) << text;
    }
}

// GBK is decoded through a table filled from the system's converter: every one- and two-byte
// input, followed by text, must decode as the converter itself reads it (a refused byte gives
// U+FFFD and the next byte is read again).
TEST(GbkTest, DecodingAgreesWithTheSystemConverter)
{
    iconv_t cd = iconv_open("UTF-8", "CP936");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    const auto reference = [cd](std::string in) {
        std::string out;
        while (!in.empty()) {
            char buffer[64];
            char* from = in.data();
            std::size_t fromLeft = in.size();
            char* to = buffer;
            std::size_t toLeft = sizeof(buffer);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            iconv(cd, &from, &fromLeft, &to, &toLeft);
            out.append(buffer, static_cast<std::size_t>(to - buffer));
            in.erase(0, in.size() - fromLeft);
            if (!in.empty()) {
                out += static_cast<unsigned char>(in[0]) < 0x80 ? in.substr(0, 1) : "\xEF\xBF\xBD";
                in.erase(0, 1);
            }
        }
        return out;
    };
    const std::string suffix = Torvex::Utf8ToGbk("名z");
    int mismatches = 0;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = -1; trail <= 0xFF; ++trail) {
            std::string in(1, static_cast<char>(lead));
            if (trail >= 0) {
                in += static_cast<char>(trail);
            }
            for (const std::string& text : {in, in + suffix}) {
                mismatches += Torvex::GbkToUtf8(text) != reference(text);
            }
        }
    }
    iconv_close(cd);
    EXPECT_EQ(mismatches, 0);
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
                mismatches[t] += gbk != expected || Torvex::GbkToUtf8(gbk) != "道路名称? road";
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
