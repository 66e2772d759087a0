// Reads the JSON description of a Torvex file, the input of torvex-make, into a TorvexBuilder.
// The JSON form is documented in torvex/FORMAT.md; tests, samples and benchmarks are written
// against it, so it accepts nothing it does not document.
#pragma once

#include <filesystem>
#include <string_view>

#include "torvex/builder/TorvexBuilder.h"

namespace Torvex {

class JsonDescription {
public:
    // Parses `json` into a builder for the described file. A malformed description throws
    // std::invalid_argument whose message says where, e.g.
    //   records[3].style: unknown key "colour"
    static TorvexBuilder Parse(std::string_view json);

    // Reads and parses the file at `path`. An unreadable file throws std::runtime_error.
    static TorvexBuilder Load(const std::filesystem::path& path);
};

}  // namespace Torvex
