#include "fuzz/InputFile.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace CalvornFuzz {

namespace {

std::filesystem::path g_path;

void RemoveInputFile()
{
    std::error_code ignored;
    std::filesystem::remove(g_path, ignored);
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

template <typename T>
T Load(const std::string& bytes, std::uint64_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

}  // namespace

void FixCheckValues(std::string& bytes)
{
    if (bytes.size() < 64 || Load<std::uint16_t>(bytes, 6) == 5) {
        return;
    }
    const std::uint64_t size = bytes.size();
    const auto index = Load<std::uint64_t>(bytes, 40);
    const auto slots = Load<std::uint32_t>(bytes, 16);
    for (std::uint64_t s = 0; s < slots && index <= size && (size - index) / 16 > s; ++s) {
        const auto offset = Load<std::uint64_t>(bytes, index + 16 * s);
        const auto length = Load<std::uint32_t>(bytes, index + 16 * s + 8);
        if (length >= 4 && offset <= size && length <= size - offset) {
            const std::uint32_t crc =
                Crc32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset + 4, length - 4);
            std::memcpy(bytes.data() + offset, &crc, sizeof(crc));
        }
    }
}

const std::filesystem::path& WriteInputFile(const char* target, std::string_view bytes)
{
    if (g_path.empty()) {
        g_path = std::filesystem::temp_directory_path() /
                 ("calvorn-fuzz-" + std::string(target) + "-" + std::to_string(getpid()));
        std::atexit(RemoveInputFile);
    }
    std::ofstream out(g_path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return g_path;
}

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace CalvornFuzz
