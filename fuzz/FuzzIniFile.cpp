// libFuzzer target: the INI reader and writer. The input holds a section, a key and a value to
// set, a second section and key to watch, and the file's bytes. Loading must not fail on any
// bytes; a value that SetString accepts reads back after Text() is loaded again; a refused one
// changes nothing; other keys keep their values through the round trip.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/IniFile.h"
#include "fuzz/InputFile.h"

namespace {

using CalvornFuzz::Check;

// Never a value: GetString hands it back only for a missing key.
const std::string kMissing("\n<missing>\n");

bool SameName(const std::string& a, const std::string& b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString(256);
    const std::string otherSection = input.ConsumeRandomLengthString(64);
    const std::string otherKey = input.ConsumeRandomLengthString(64);
    const std::string content = input.ConsumeRemainingBytesAsString();

    Calvorn::IniFile ini;
    Check(ini.Load(CalvornFuzz::WriteInputFile("ini-file", content)), "a plain file not loaded");
    const std::string otherBefore = ini.GetString(otherSection, otherKey, kMissing);
    const std::string textBefore = ini.Text();
    const bool set = ini.SetString(section, key, value);
    if (!set) {
        Check(ini.Text() == textBefore, "a refused SetString changed the file");
    }

    Calvorn::IniFile reread;
    Check(reread.Load(CalvornFuzz::WriteInputFile("ini-file", ini.Text())), "reload failed");
    if (set) {
        Check(reread.GetString(section, key, kMissing) == value, "value does not read back");
    }
    if (!set || !SameName(section, otherSection) || !SameName(key, otherKey)) {
        Check(reread.GetString(otherSection, otherKey, kMissing) == otherBefore,
              "another key changed");
    }
    Check(reread.Text() == ini.Text(), "text changed by a save and load");
    return 0;
}
