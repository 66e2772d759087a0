// Internal: filling the shape objects that the reader hands out.
#pragma once

#include <cstdint>
#include <vector>

#include "torvex/Geometry.h"

namespace Torvex {

// Frees the arrays and leaves an object with no parts and no vertices (type and id kept).
void ClearGeometry(Geometry* geometry);

// Replaces the contents with `partCount` parts (none for points) of the given vertices
// (little-endian f64 pairs), shapelib-style: Z and M zeroed, part types SHPP_RING, id -1,
// bounds computed. Arrays of the object large enough for the new shape are kept. False when
// memory runs out (the object is then cleared).
bool FillGeometry(Geometry* geometry, int shapeType, const std::uint8_t* partCounts,
                  std::uint32_t partCount, const std::uint8_t* vertices, std::uint32_t vertexCount);

// The same parts and vertices appended to growing arrays: the part starts (none for points)
// counted from the first vertex appended.
void AppendShape(bool point, const std::uint8_t* partCounts, std::uint32_t partCount,
                 const std::uint8_t* vertices, std::uint32_t vertexCount, std::vector<double>& x,
                 std::vector<double>& y, std::vector<int>& partStarts);

}  // namespace Torvex
