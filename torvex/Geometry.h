// Shape objects handed out by the reader. A Geometry is shapelib's SHPObject, so callers pass
// it to SHPWriteObject unchanged; its arrays are malloc'ed as shapelib expects.
#pragma once

#include <shapefil.h>

namespace Torvex {

using Geometry = SHPObject;

// An empty object (no parts, no vertices, shape type SHPT_NULL). Free with DestroyGeometry.
Geometry* CreateGeometry();
void DestroyGeometry(Geometry* geometry);

// A new object with copies of `source`'s parts and vertices, bounds computed; null when memory
// runs out. Free with DestroyGeometry.
Geometry* CopyGeometry(const Geometry& source);

// Sets the bounds from the vertices as shapelib's SHPComputeExtents does (NaN and all), for a
// shape whose Z and M values are all zero, without going over those.
void ComputePlaneBounds(Geometry* geometry);

// Multiplies every coordinate and the bounds by factor (1.0 changes nothing).
void ReScaleGeometry(Geometry* geometry, double factor);

// Makes a polygon fit for a Shapefile: closes open rings, drops rings with fewer than 4 points
// after closing or with zero area, orients outer rings clockwise and holes counter-clockwise.
// The bounds must be those of the vertices on entry (as the reader and ReScaleGeometry leave
// them); they are recomputed when rings change. Other shape types are left alone.
void FixGeoTopo(Geometry* geometry);
// FixGeoTopo when that only reverses rings (nearly always): true then; false, with the object
// unchanged, when it would need new arrays. For objects whose arrays the caller owns.
bool FixGeoTopoInPlace(Geometry* geometry);

// Packed degrees-minutes-seconds DDDMMSS.ss to decimal degrees; the sign applies to the whole
// angle (DMS2Degree(1173015) == 117.504166...).
double DMS2Degree(double packed);

}  // namespace Torvex
