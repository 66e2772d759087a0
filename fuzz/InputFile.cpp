#include "fuzz/InputFile.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

}  // namespace

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
