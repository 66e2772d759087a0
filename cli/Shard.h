// --shard K/N: one of N processes started with the same arguments takes the sources whose
// relative path hashes to K modulo N (64-bit FNV-1a over the path's bytes), so the N of them
// split an archive between them without talking to each other, on one machine or many.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Calvorn {

// 64-bit FNV-1a of `bytes`.
std::uint64_t Fnv1a64(std::string_view bytes);

struct Shard {
    std::uint64_t index = 0;  // K
    std::uint64_t count = 1;  // N

    // "K/N" with 0 <= K < N, both decimal; nothing for anything else.
    static std::optional<Shard> Parse(std::string_view text);
    // Whether this shard takes the source of relative path `relative`.
    bool Takes(std::string_view relative) const { return Fnv1a64(relative) % count == index; }
    std::string Text() const;
};

}  // namespace Calvorn
