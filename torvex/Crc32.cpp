#include "torvex/Crc32.h"

#include <array>

#if defined(__x86_64__) && defined(__GNUC__)
#define TORVEX_CRC32_CLMUL 1
#include <immintrin.h>
#endif

namespace Torvex {

namespace {

// Slicing by eight: the way for processors without carry-less multiplication, and for the
// bytes that do not fill a block of 16.
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

// `crc` is the running value, before the final inversion.
std::uint32_t UpdateByTables(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
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

#ifdef TORVEX_CRC32_CLMUL

#define TORVEX_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

__m128i Load16(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Multiplies both halves of `lane` by the two constants of `k` and adds them to `next`.
TORVEX_CLMUL_TARGET __m128i Fold(__m128i lane, __m128i k, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(lane, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// Folding blocks of 16 bytes by carry-less multiplication (the method of Intel's "Fast CRC
// Computation for Generic Polynomials Using PCLMULQDQ"), for the bit-reflected polynomial: four
// lanes of 16 bytes folded 64 bytes ahead, then one lane, then a Barrett reduction to 32 bits.
// The constants are x^n mod P for the distances folded over, and P and its quotient for the
// reduction. `size` is a multiple of 16, at least 64.
TORVEX_CLMUL_TARGET std::uint32_t UpdateByMultiplication(std::uint32_t crc,
                                                         const std::uint8_t* data, std::size_t size)
{
    __m128i x1 = _mm_xor_si128(Load16(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load16(data + 16);
    __m128i x3 = Load16(data + 32);
    __m128i x4 = Load16(data + 48);
    data += 64;
    size -= 64;
    const __m128i k1k2 = _mm_set_epi64x(0x01C6E41596, 0x0154442BD4);
    while (size >= 64) {
        x1 = Fold(x1, k1k2, Load16(data));
        x2 = Fold(x2, k1k2, Load16(data + 16));
        x3 = Fold(x3, k1k2, Load16(data + 32));
        x4 = Fold(x4, k1k2, Load16(data + 48));
        data += 64;
        size -= 64;
    }
    const __m128i k3k4 = _mm_set_epi64x(0x00CCAA009E, 0x01751997D0);
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    while (size >= 16) {
        x1 = Fold(x1, k3k4, Load16(data));
        data += 16;
        size -= 16;
    }
    // 128 bits to 64, then 64 to 32.
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163CD6124);
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k5, 0x00), x2);
    // Barrett reduction.
    const __m128i poly = _mm_set_epi64x(0x01F7011641, 0x01DB710641);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), poly, 0x10);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, mask32), poly, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool HasMultiplication()
{
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}

#endif

}  // namespace

std::uint32_t Crc32ByTables(const std::uint8_t* data, std::size_t size)
{
    return UpdateByTables(0xFFFFFFFFu, data, size) ^ 0xFFFFFFFFu;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
#ifdef TORVEX_CRC32_CLMUL
    if (size >= 64 && HasMultiplication()) {
        const std::size_t blocks = size & ~std::size_t{15};
        crc = UpdateByMultiplication(crc, data, blocks);
        data += blocks;
        size -= blocks;
    }
#endif
    return UpdateByTables(crc, data, size) ^ 0xFFFFFFFFu;
}

}  // namespace Torvex
