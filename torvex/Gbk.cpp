#include "torvex/Gbk.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

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
    // Eight bytes at a time: most texts are short, but every value of a file passes here.
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof(word));
        if ((word & 0x8080808080808080u) != 0) {
            return false;
        }
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
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

namespace {

// The UTF-8 of every GBK character, asked of iconv once: decoding is then a lookup per character
// instead of an iconv call per text, which matters to readers that decode every value. Each
// lead byte's row is filled when first needed, so a program that decodes a few names pays for
// a few rows only.
class GbkDecodeTable {
public:
    struct Entry {
        std::uint8_t length = 0;  // 0: no character
        char bytes[3] = {};       // GBK has characters of the Basic Multilingual Plane only
    };

    const Entry* Single(unsigned char b)
    {
        Fill(kLeadCount, [this] {
            for (unsigned i = 0x80; i <= 0xFF; ++i) {
                const char in[1] = {static_cast<char>(i)};
                m_single[i - 0x80] = Decode(std::string_view(in, 1));
            }
        });
        const Entry& entry = m_single[b - 0x80];
        return entry.length > 0 ? &entry : nullptr;
    }

    const Entry* Pair(unsigned char lead, unsigned char trail)
    {
        if (lead < kLeadFirst || lead > kLeadLast || trail < kTrailFirst || trail > kTrailLast) {
            return nullptr;
        }
        Entry* row = &m_pairs[(lead - kLeadFirst) * kRowLength];
        Fill(lead - kLeadFirst, [row, lead] {
            for (unsigned t = kTrailFirst; t <= kTrailLast; ++t) {
                const char in[2] = {static_cast<char>(lead), static_cast<char>(t)};
                row[t - kTrailFirst] = Decode(std::string_view(in, 2));
            }
        });
        const Entry& entry = row[trail - kTrailFirst];
        return entry.length > 0 ? &entry : nullptr;
    }

private:
    static constexpr unsigned kLeadFirst = 0x81;
    static constexpr unsigned kLeadLast = 0xFE;
    static constexpr unsigned kTrailFirst = 0x40;
    static constexpr unsigned kTrailLast = 0xFE;
    static constexpr std::size_t kLeadCount = kLeadLast - kLeadFirst + 1;
    static constexpr std::size_t kRowLength = kTrailLast - kTrailFirst + 1;

    // Runs `fill` for row `row` (kLeadCount: the single bytes) unless it ran already.
    template <typename Filler>
    void Fill(std::size_t row, const Filler& fill)
    {
        if (!m_filled[row].load(std::memory_order_acquire)) {
            const std::lock_guard lock(m_mutex);
            if (!m_filled[row].load(std::memory_order_relaxed)) {
                fill();
                m_filled[row].store(true, std::memory_order_release);
            }
        }
    }

    // The bytes as one character, or no entry when iconv refuses them, reads them as more or
    // less than one character or gives one beyond three UTF-8 bytes (or there is no converter).
    static Entry Decode(std::string_view in)
    {
        iconv_t cd = FromGbk();
        std::string out;
        if (cd == nullptr || ConvertRun(cd, in, out) != in.size() || out.empty() ||
            out.size() > 3 || Utf8SequenceLength(out) != out.size()) {
            return {};
        }
        Entry entry;
        entry.length = static_cast<std::uint8_t>(out.size());
        out.copy(entry.bytes, out.size());
        return entry;
    }

    std::mutex m_mutex;
    std::atomic<bool> m_filled[kLeadCount + 1] = {};
    Entry m_single[0x80];
    std::vector<Entry> m_pairs = std::vector<Entry>(kLeadCount * kRowLength);
};

}  // namespace

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
        static GbkDecodeTable table;
        // Written in place: no character takes more than three bytes per byte it comes from.
        utf8.resize(gbk.size() * 3);
        char* out = utf8.data();
        for (std::size_t i = 0; i < gbk.size();) {
            const auto lead = static_cast<unsigned char>(gbk[i]);
            if (lead < 0x80) {
                *out++ = gbk[i++];
                continue;
            }
            const GbkDecodeTable::Entry* entry = nullptr;
            if (i + 1 < gbk.size()) {
                entry = table.Pair(lead, static_cast<unsigned char>(gbk[i + 1]));
            }
            if (entry != nullptr) {
                i += 2;
            } else {
                // A byte that starts no character: the next one is read again as a lead.
                entry = table.Single(lead);
                i += 1;
            }
            if (entry != nullptr) {
                std::memcpy(out, entry->bytes, entry->length);
                out += entry->length;
            } else {
                std::memcpy(out, kReplacement.data(), kReplacement.size());
                out += kReplacement.size();
                exact = false;
            }
        }
        utf8.resize(static_cast<std::size_t>(out - utf8.data()));
    }
    if (lossless != nullptr) {
        *lossless = exact;
    }
    return utf8;
}

}  // namespace Torvex
