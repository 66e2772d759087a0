// Shape objects handed out by the reader. A Geometry is shapelib's SHPObject, so callers pass
// it to SHPWriteObject unchanged; its arrays are malloc'ed as shapelib expects.
#pragma once

#include <shapefil.h>

namespace Torvex {

using Geometry = SHPObject;

// An empty object (no parts, no vertices, shape type SHPT_NULL). Free with DestroyGeometry.
Geometry* CreateGeometry();
void DestroyGeometry(Geometry* geometry);

// Multiplies every coordinate and the bounds by factor (1.0 changes nothing).
void ReScaleGeometry(Geometry* geometry, double factor);

// Makes a polygon fit for a Shapefile: closes open rings, drops rings with fewer than 4 points
// after closing or with zero area, orients outer rings clockwise and holes counter-clockwise.
// The bounds must be those of the vertices on entry (as the reader and ReScaleGeometry leave
// them); they are recomputed when rings change. Other shape types are left alone.
void FixGeoTopo(Geometry* geometry);

// Packed degrees-minutes-seconds DDDMMSS.ss to decimal degrees; the sign applies to the whole
// angle (DMS2Degree(1173015) == 117.504166...).
double DMS2Degree(double packed);

}  // namespace Torvex
