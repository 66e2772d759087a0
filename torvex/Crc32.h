// Internal: the CRC-32 check value of record slots (zlib/PNG polynomial).
#pragma once

#include <cstddef>
#include <cstdint>

namespace Torvex {

// By carry-less multiplication where the processor has it (checked once, at run time), else
// by tables; both give the same value.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

// The table way alone, for processors without the other: tests compare the two.
std::uint32_t Crc32ByTables(const std::uint8_t* data, std::size_t size);

}  // namespace Torvex
