#include "projection/CoordinateScale.h"

#include <cmath>

namespace Calvorn {

double CoordinateScale(const Torvex::MAP_PARAstruct& record)
{
    return std::isfinite(record.scale) && record.scale != 0.0 ? record.scale : 1.0;
}

}  // namespace Calvorn
