// Helpers of the tests that run calvorn-cli as a process.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestSupport.h"

namespace CalvornTest {

// The command line of the tool with `args`.
inline std::vector<std::string> Cli(std::vector<std::string> args)
{
    args.insert(args.begin(), CALVORN_CLI);
    return args;
}

// How often `part` occurs in `text`.
inline std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

// The names of the temporary files of outputs in `folder`.
inline std::vector<std::string> TemporaryFiles(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().find(".calvorn-") != std::string::npos) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

// Waits until a temporary file of `name` exists in `folder`: its conversion is under way.
inline bool WaitForTemporaryFile(const std::filesystem::path& folder, const std::string& name)
{
    for (int i = 0; i < 20000; ++i) {
        std::error_code error;
        if (std::filesystem::is_directory(folder, error)) {
            for (const std::string& file : TemporaryFiles(folder)) {
                if (file.rfind("." + name + ".", 0) == 0) {
                    return true;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

}  // namespace CalvornTest
