// Makes a Torvex file for a test the way every user does: a JSON description run through the
// torvex-make tool.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

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

}  // namespace CalvornTest
