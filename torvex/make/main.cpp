// torvex-make INPUT.json OUTPUT: writes the Torvex file that a JSON description describes.
// Exit status 0 on success, 1 when the description is bad or the file cannot be written,
// 2 on wrong usage.
#include <exception>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "torvex/make/JsonDescription.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: torvex-make INPUT.json OUTPUT\n";
        return 2;
    }
    const std::filesystem::path input = argv[1];
    const std::filesystem::path output = argv[2];
    try {
        Torvex::JsonDescription::Load(input).WriteTo(output);
    } catch (const std::exception& error) {
        // A half-written output newer than its input would look up to date to the build.
        std::error_code ignored;
        std::filesystem::remove(output, ignored);
        std::cerr << "torvex-make: " << input.string() << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
