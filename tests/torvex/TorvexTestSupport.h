// Shared by the reader tests: Torvex files made the way every user makes them (a JSON
// description run through torvex-make), the raw bytes of a value, and a geometry that frees
// itself.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"
#include "torvex/Geometry.h"

namespace CalvornTest {

// Writes `json` beside the output and runs torvex-make on it; `name` is the output's file
// name. Returns the output path; a failing tool fails the calling test.
inline std::filesystem::path MakeTorvexFile(const TempDir& dir, const std::string& name,
                                            const std::string& json)
{
    const std::filesystem::path input = dir / (name + ".json");
    const std::filesystem::path output = dir / name;
    WriteFile(input, json);
    const CommandResult result = RunCommand({TORVEX_MAKE, input.string(), output.string()});
    EXPECT_EQ(result.status, 0) << result.error;
    return output;
}

// The sample `name` (without extension) made from its JSON in samples/.
inline std::filesystem::path MakeSampleFile(const TempDir& dir, const std::string& name)
{
    return MakeTorvexFile(dir, name, ReadFile(SamplePath(name + ".json")));
}

template <typename T>
std::string Raw(T value)
{
    std::string bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

struct ScopedGeometry {
    ScopedGeometry() = default;
    ScopedGeometry(const ScopedGeometry&) = delete;
    ScopedGeometry& operator=(const ScopedGeometry&) = delete;
    ~ScopedGeometry() { Torvex::DestroyGeometry(g); }
    Torvex::Geometry* g = Torvex::CreateGeometry();
};

}  // namespace CalvornTest
