#include "torvex/GeometryFill.h"

#include <algorithm>
#include <cstdlib>

#include "torvex/Format.h"

namespace Torvex {

namespace {

void ClearBounds(Geometry* g)
{
    g->dfXMin = g->dfYMin = g->dfZMin = g->dfMMin = 0.0;
    g->dfXMax = g->dfYMax = g->dfZMax = g->dfMMax = 0.0;
}

// Makes `array` hold `wanted` elements, keeping it when its `room` suffices; false (the array
// unchanged) when memory runs out.
template <typename T>
bool Reserve(T*& array, std::size_t room, std::size_t wanted)
{
    if (array != nullptr && room >= wanted) {
        return true;
    }
    auto* grown = static_cast<T*>(std::malloc(wanted * sizeof(T)));
    if (grown == nullptr) {
        return false;
    }
    std::free(array);
    array = grown;
    return true;
}

void DecodeVertices(const std::uint8_t* vertices, std::uint32_t count, double* x, double* y)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        x[i] = Format::Load<double>(vertices + std::size_t{i} * 16);
        y[i] = Format::Load<double>(vertices + std::size_t{i} * 16 + 8);
    }
}

void DecodePartStarts(const std::uint8_t* partCounts, std::uint32_t partCount, int* starts)
{
    std::uint32_t start = 0;
    for (std::uint32_t i = 0; i < partCount; ++i) {
        starts[i] = static_cast<int>(start);
        start += Format::Load<std::uint32_t>(partCounts + std::size_t{i} * 4);
    }
}

}  // namespace

void ClearGeometry(Geometry* geometry)
{
    std::free(geometry->panPartStart);
    std::free(geometry->panPartType);
    std::free(geometry->padfX);
    std::free(geometry->padfY);
    std::free(geometry->padfZ);
    std::free(geometry->padfM);
    geometry->panPartStart = nullptr;
    geometry->panPartType = nullptr;
    geometry->padfX = geometry->padfY = geometry->padfZ = geometry->padfM = nullptr;
    geometry->nParts = 0;
    geometry->nVertices = 0;
    geometry->bMeasureIsUsed = 0;
    geometry->bFastModeReadObject = 0;
    ClearBounds(geometry);
}

bool FillGeometry(Geometry* geometry, int shapeType, const std::uint8_t* partCounts,
                  std::uint32_t partCount, const std::uint8_t* vertices, std::uint32_t vertexCount)
{
    const bool hasParts = shapeType != SHPT_POINT;
    const std::size_t n = std::max<std::size_t>(vertexCount, 1);
    const std::size_t parts = std::max<std::size_t>(partCount, 1);
    // The arrays of the shape held before are kept when they are large enough (each was made
    // for its shape's counts), so a caller reading shape after shape into one object hardly
    // allocates.
    const auto vertexRoom = static_cast<std::size_t>(std::max(geometry->nVertices, 0));
    const auto partRoom = static_cast<std::size_t>(std::max(geometry->nParts, 0));
    if (!hasParts) {
        std::free(geometry->panPartStart);
        std::free(geometry->panPartType);
        geometry->panPartStart = nullptr;
        geometry->panPartType = nullptr;
    }
    if (!Reserve(geometry->padfX, vertexRoom, n) || !Reserve(geometry->padfY, vertexRoom, n) ||
        !Reserve(geometry->padfZ, vertexRoom, n) || !Reserve(geometry->padfM, vertexRoom, n) ||
        (hasParts && (!Reserve(geometry->panPartStart, partRoom, parts) ||
                      !Reserve(geometry->panPartType, partRoom, parts)))) {
        ClearGeometry(geometry);
        return false;
    }
    geometry->nSHPType = shapeType;
    geometry->nShapeId = -1;
    geometry->bMeasureIsUsed = 0;
    geometry->bFastModeReadObject = 0;
    std::fill_n(geometry->padfZ, n, 0.0);
    std::fill_n(geometry->padfM, n, 0.0);
    DecodeVertices(vertices, vertexCount, geometry->padfX, geometry->padfY);
    geometry->nParts = 0;
    if (hasParts) {
        DecodePartStarts(partCounts, partCount, geometry->panPartStart);
        std::fill_n(geometry->panPartType, partCount, SHPP_RING);
        geometry->nParts = static_cast<int>(partCount);
    }
    geometry->nVertices = static_cast<int>(vertexCount);
    SHPComputeExtents(geometry);
    return true;
}

void AppendShape(bool point, const std::uint8_t* partCounts, std::uint32_t partCount,
                 const std::uint8_t* vertices, std::uint32_t vertexCount, std::vector<double>& x,
                 std::vector<double>& y, std::vector<int>& partStarts)
{
    const std::size_t first = x.size();
    x.resize(first + vertexCount);
    y.resize(first + vertexCount);
    DecodeVertices(vertices, vertexCount, x.data() + first, y.data() + first);
    if (!point) {
        const std::size_t firstPart = partStarts.size();
        partStarts.resize(firstPart + partCount);
        DecodePartStarts(partCounts, partCount, partStarts.data() + firstPart);
    }
}

}  // namespace Torvex
