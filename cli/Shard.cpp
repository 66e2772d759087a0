#include "cli/Shard.h"

#include <charconv>

namespace Calvorn {

std::uint64_t Fnv1a64(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::optional<Shard> Shard::Parse(std::string_view text)
{
    const auto number = [](std::string_view digits) -> std::optional<std::uint64_t> {
        std::uint64_t value = 0;
        const char* end = digits.data() + digits.size();
        const auto [next, error] = std::from_chars(digits.data(), end, value);
        if (digits.empty() || error != std::errc() || next != end) {
            return std::nullopt;
        }
        return value;
    };
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto index = number(text.substr(0, slash));
    const auto count = number(text.substr(slash + 1));
    if (!index || !count || *index >= *count) {
        return std::nullopt;
    }
    return Shard{*index, *count};
}

std::string Shard::Text() const
{
    return std::to_string(index) + "/" + std::to_string(count);
}

}  // namespace Calvorn
