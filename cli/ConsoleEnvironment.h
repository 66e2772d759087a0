// What the console tool takes from its surroundings besides its arguments, so that tests can
// run it in-process with their own folders.
#pragma once

#include <optional>

#include "app/AppLocations.h"

namespace Calvorn {

struct ConsoleEnvironment {
    // Standard error is a terminal: show a progress line there while files convert.
    bool terminal = false;
    // Where the settings file (read only) and the default conversion log are; the running
    // executable's folders when not set.
    std::optional<AppLocations> locations;
};

}  // namespace Calvorn
