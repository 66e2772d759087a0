// Internal: the constants of the file layout described in FORMAT.md and little-endian byte
// access shared by the reader and the builder.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "torvex/Records.h"

namespace Torvex::Format {

// Records are stored verbatim and values are delivered in host order, so the host must match
// the file's byte order.
static_assert(std::endian::native == std::endian::little,
              "the reader assumes a little-endian host");

inline constexpr std::uint8_t kMagic[4] = {'T', 'V', 'X', 'F'};
inline constexpr std::uint16_t kVersion = 1;

inline constexpr std::size_t kHeaderSize = 64;
inline constexpr std::size_t kHeaderVersion = 4;
inline constexpr std::size_t kHeaderKind = 6;
inline constexpr std::size_t kHeaderFieldCount = 8;
inline constexpr std::size_t kHeaderFlags = 10;
inline constexpr std::size_t kHeaderRecordCount = 12;
inline constexpr std::size_t kHeaderSlotCount = 16;
inline constexpr std::size_t kHeaderFieldTableSize = 20;
inline constexpr std::size_t kHeaderFieldTableOffset = 24;
inline constexpr std::size_t kHeaderProjectionOffset = 32;
inline constexpr std::size_t kHeaderIndexOffset = 40;
inline constexpr std::uint16_t kFlagProjection = 1;

inline constexpr std::size_t kFieldDescriptorSize = 14;  // before the name bytes

inline constexpr std::size_t kProjectionSize = 133;
static_assert(sizeof(MAP_PARAstruct) == kProjectionSize);

inline constexpr std::size_t kIndexEntrySize = 16;
inline constexpr std::uint32_t kIndexDeleted = 1;

inline constexpr std::size_t kSlotHeaderSize = 16;
inline constexpr std::size_t kMaxAnnotationText = 259;

inline constexpr std::uint8_t kValueAbsent = 0;
inline constexpr std::uint8_t kValuePresent = 1;

inline constexpr std::size_t kLineInfoSize = 49;
inline constexpr std::size_t kPointInfoSize = 85;
inline constexpr std::size_t kPolygonInfoSize = 32;
static_assert(sizeof(TORVEX_LineInfo) == kLineInfoSize);
static_assert(sizeof(TORVEX_PntInfo) == kPointInfoSize);
static_assert(sizeof(TORVEX_RegInfo) == kPolygonInfoSize);

// Payload size of a present value of a fixed-size type code; 0 for text codes (length-prefixed)
// and -1 for unknown codes, which never have a value.
inline constexpr int FixedValueSize(int type)
{
    switch (type) {
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return 4;
        case 4:
            return 4;
        case 5:
            return 8;
        case 6:
            return 4;
        case 7:
            return 10;
        case 8:
            return 1;
        case 0:
        case 9:
            return 0;
        default:
            return -1;
    }
}

inline bool IsTextType(int type)
{
    return type == 0 || type == 9;
}

template <typename T>
T Load(const std::uint8_t* p)
{
    T value;
    std::memcpy(&value, p, sizeof(T));
    return value;
}

template <typename T>
void Store(std::uint8_t* p, T value)
{
    std::memcpy(p, &value, sizeof(T));
}

// True when [offset, offset + length) lies inside a file of `size` bytes, without overflow.
inline bool FitsIn(std::uint64_t offset, std::uint64_t length, std::uint64_t size)
{
    return offset <= size && length <= size - offset;
}

}  // namespace Torvex::Format
