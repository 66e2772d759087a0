// The factor that coordinates are multiplied by when a file has a projection record.
#pragma once

#include "torvex/Records.h"

namespace Calvorn {

// The record's scale factor, or 1 when it is zero or not finite: such a factor would collapse
// every vertex onto the origin or destroy them all, so it says nothing usable about the scale.
double CoordinateScale(const Torvex::MAP_PARAstruct& record);

}  // namespace Calvorn
