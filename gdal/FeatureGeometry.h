// The OGR geometry of a shape object as the reader delivers it (scaled, polygons repaired).
#pragma once

#include <ogr_geometry.h>

#include <memory>

#include "torvex/Geometry.h"

namespace Calvorn {

// A point, a multi-line string (one line per part) or a multi-polygon; null for a polygon
// without a ring. Rings are grouped into polygons as GDAL groups the rings of a Shapefile
// polygon (clockwise outer rings, counter-clockwise holes), so the features read here and
// through the converter's Shapefiles are the same.
std::unique_ptr<OGRGeometry> MakeOgrGeometry(const Torvex::Geometry& geometry);

}  // namespace Calvorn
