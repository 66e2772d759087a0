// Reads everything a converter would from a file, as a Torvex data file and as a project, and
// checks that what the reader hands out is self-consistent. Shared by the reader's fuzz target
// and its tests, with the means to make damaged files that reach the slot parser; bad memory
// accesses are the sanitizers' to report.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace CalvornFuzz {

// CRC-32 (IEEE) written from its definition, not taken from the reader.
std::uint32_t Crc32(const char* data, std::size_t size);

// Nearly every mutation inside a slot of a Torvex data file breaks its check value, so the slot
// parser behind the check would hardly be reached: this makes the check values of the slots
// that the index names right (project files are left alone).
void FixCheckValues(std::string& bytes);

// The first inconsistency found in what the reader hands out for `path`, or "".
std::string ReadEverything(const std::filesystem::path& path);

}  // namespace CalvornFuzz
