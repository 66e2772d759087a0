#include "torvex/Crc32.h"

#include <array>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TORVEX_CRC32_FOLDING 1
#endif

namespace Torvex {

namespace {

// Slicing by eight: a slot read checks every byte of its slot, so this loop is hot.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeTables()
{
    CrcTables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1u) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        }
        tables[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i) {
        for (int t = 1; t < 8; ++t) {
            tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFFu];
        }
    }
    return tables;
}

constexpr CrcTables kTables = MakeTables();

}  // namespace

namespace {

// The CRC state (not inverted) carried over `size` bytes, eight at a time.
std::uint32_t Slices(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    const auto word = [](const std::uint8_t* p) {
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    };
    while (size >= 8) {
        const std::uint32_t low = crc ^ word(data);
        const std::uint32_t high = word(data + 4);
        crc = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^
              kTables[5][(low >> 16) & 0xFFu] ^ kTables[4][low >> 24] ^ kTables[3][high & 0xFFu] ^
              kTables[2][(high >> 8) & 0xFFu] ^ kTables[1][(high >> 16) & 0xFFu] ^
              kTables[0][high >> 24];
        data += 8;
        size -= 8;
    }
    while (size-- > 0) {
        crc = kTables[0][(crc ^ *data++) & 0xFFu] ^ (crc >> 8);
    }
    return crc;
}

#ifdef TORVEX_CRC32_FOLDING

#define TORVEX_FOLDING_TARGET __attribute__((target("pclmul,sse4.1")))

TORVEX_FOLDING_TARGET __m128i Load(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// x times the two constants in k (one per 64-bit half), plus the next 128 bits.
TORVEX_FOLDING_TARGET __m128i Fold(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(
        _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// Carry-less multiplication folds 64 bytes at a time into four 128-bit lanes, then into one,
// then reduces it to 32 bits (Barrett); about ten times fewer instructions than the tables for
// the slots of lines and polygons. `size` is a multiple of 16, at least 64. The constants are
// powers of x modulo the (bit-reflected) polynomial.
TORVEX_FOLDING_TARGET std::uint32_t Folded(std::uint32_t crc, const std::uint8_t* data,
                                           std::size_t size)
{
    __m128i x1 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(data + 16);
    __m128i x3 = Load(data + 32);
    __m128i x4 = Load(data + 48);
    data += 64;
    size -= 64;
    const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    while (size >= 64) {
        x1 = Fold(x1, k1k2, Load(data));
        x2 = Fold(x2, k1k2, Load(data + 16));
        x3 = Fold(x3, k1k2, Load(data + 32));
        x4 = Fold(x4, k1k2, Load(data + 48));
        data += 64;
        size -= 64;
    }
    const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    while (size >= 16) {
        x1 = Fold(x1, k3k4, Load(data));
        data += 16;
        size -= 16;
    }
    // 128 bits to 64, then to 32, then the Barrett reduction.
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(k3k4, x1, 0x01), _mm_srli_si128(x1, 8));
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
    const __m128i k5 = _mm_set_epi64x(0, 0x163cd6124);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k5, 0x00),
                       _mm_srli_si128(x1, 4));
    const __m128i poly = _mm_set_epi64x(0x1F7011641, 0x1DB710641);
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), poly, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(t, x1), 1));
}

bool CanFold()
{
    static const bool supported =
        __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return supported;
}

#endif

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
#ifdef TORVEX_CRC32_FOLDING
    if (size >= 64 && CanFold()) {
        const std::size_t folded = size & ~std::size_t{15};
        crc = Folded(crc, data, folded);
        data += folded;
        size -= folded;
    }
#endif
    return Slices(crc, data, size) ^ 0xFFFFFFFFu;
}

}  // namespace Torvex
