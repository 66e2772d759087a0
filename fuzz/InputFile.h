// The loaders under test read files by path, so each fuzz input is written to one file per
// target and process, removed when the fuzzer exits.
#pragma once

#include <filesystem>
#include <string_view>

namespace CalvornFuzz {

// Writes `bytes` to the input file of `target` (replacing the last input) and returns its path.
const std::filesystem::path& WriteInputFile(const char* target, std::string_view bytes);

// Prints `what` and aborts, so libFuzzer keeps the input, when `condition` is false.
void Check(bool condition, const char* what);

}  // namespace CalvornFuzz
