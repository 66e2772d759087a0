// libFuzzer target: the input as a Torvex data file and as a project file, read as a converter
// reads it, what the reader hands out checked (fuzz/ReaderWalk.cpp).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/InputFile.h"
#include "fuzz/ReaderWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // For half of the inputs the check values are made right, so that mutations reach the slot
    // parser.
    if (size > 0 && (data[size - 1] & 1) != 0) {
        CalvornFuzz::FixCheckValues(bytes);
    }
    const std::string broken =
        CalvornFuzz::ReadEverything(CalvornFuzz::WriteInputFile("reader", bytes));
    CalvornFuzz::Check(broken.empty(), broken.c_str());
    return 0;
}
