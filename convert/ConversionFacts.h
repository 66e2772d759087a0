// What the engine's last conversion of a file did, for front ends that keep a record of every
// file (the console's run report): the source's record counts and where its outputs ended up.
#pragma once

#include <filesystem>
#include <vector>

namespace Calvorn {

struct ConversionFacts {
    int stored = 0;   // records stored in the source (slots), deleted ones included
    int live = 0;     // live records the source declares
    int written = 0;  // records written to the outputs
    // Every file moved to its final name, in the order moved (the .shp before its .shx, .dbf
    // and .prj); empty when nothing was kept.
    std::vector<std::filesystem::path> outputs;
};

}  // namespace Calvorn
