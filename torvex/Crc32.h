// Internal: the CRC-32 check value of record slots (zlib/PNG polynomial).
#pragma once

#include <cstddef>
#include <cstdint>

namespace Torvex {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

}  // namespace Torvex
