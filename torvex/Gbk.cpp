#include "torvex/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>

namespace Torvex {

namespace {

// One conversion descriptor per thread and direction: iconv_t carries state and must not be
// shared between threads, and opening one per call would dominate short conversions.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (Valid()) {
            iconv_close(m_cd);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

iconv_t ToGbk()
{
    thread_local IconvHandle handle("CP936", "UTF-8");
    return handle.Valid() ? handle.Get() : nullptr;
}

iconv_t FromGbk()
{
    thread_local IconvHandle handle("UTF-8", "CP936");
    return handle.Valid() ? handle.Get() : nullptr;
}

bool IsAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Runs `cd` over `input`, appending to `output`. Stops at the first byte the converter
// refuses and returns how many input bytes were consumed.
std::size_t ConvertRun(iconv_t cd, std::string_view input, std::string& output)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        const std::size_t used = output.size();
        output.resize(used + inLeft * 2 + 16);
        char* out = output.data() + used;
        std::size_t outLeft = output.size() - used;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.resize(output.size() - outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            break;
        }
    }
    return input.size() - inLeft;
}

}  // namespace

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0 (overlong forms,
// surrogates and code points above U+10FFFF are not well-formed).
std::size_t Utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool IsValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

std::string Utf8ToGbk(std::string_view utf8, bool* lossless)
{
    bool exact = true;
    std::string gbk;
    if (IsAscii(utf8)) {
        gbk.assign(utf8);
    } else {
        gbk.reserve(utf8.size());
        iconv_t cd = ToGbk();
        while (!utf8.empty()) {
            // Hand the converter only well-formed runs; each refused character becomes '?'.
            std::size_t run = 0;
            std::size_t length = 0;
            while (run < utf8.size() && (length = Utf8SequenceLength(utf8.substr(run))) > 0) {
                run += length;
            }
            std::size_t done = 0;
            while (done < run) {
                done += cd != nullptr ? ConvertRun(cd, utf8.substr(done, run - done), gbk) : 0;
                if (done < run) {
                    const std::size_t refused = Utf8SequenceLength(utf8.substr(done));
                    if (refused == 1) {
                        gbk.push_back(utf8[done]);  // ASCII passes even without a converter
                    } else {
                        gbk.push_back('?');
                        exact = false;
                    }
                    done += refused;
                }
            }
            utf8.remove_prefix(run);
            if (!utf8.empty()) {
                gbk.push_back('?');  // a byte that starts no well-formed sequence
                exact = false;
                utf8.remove_prefix(1);
            }
        }
    }
    if (lossless != nullptr) {
        *lossless = exact;
    }
    return gbk;
}

std::string GbkToUtf8(std::string_view gbk, bool* lossless)
{
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    bool exact = true;
    std::string utf8;
    if (IsAscii(gbk)) {
        utf8.assign(gbk);
    } else {
        utf8.reserve(gbk.size() * 3 / 2);
        iconv_t cd = FromGbk();
        while (!gbk.empty()) {
            const std::size_t done = cd != nullptr ? ConvertRun(cd, gbk, utf8) : 0;
            gbk.remove_prefix(done);
            if (!gbk.empty()) {
                // One refused byte at a time, so that a bad trail byte is read again as a lead.
                if (static_cast<unsigned char>(gbk.front()) < 0x80) {
                    utf8.push_back(gbk.front());
                } else {
                    utf8.append(kReplacement);
                    exact = false;
                }
                gbk.remove_prefix(1);
            }
        }
    }
    if (lossless != nullptr) {
        *lossless = exact;
    }
    return utf8;
}

}  // namespace Torvex
