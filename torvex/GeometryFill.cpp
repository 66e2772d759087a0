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
    ClearGeometry(geometry);
    geometry->nSHPType = shapeType;
    geometry->nShapeId = -1;
    const bool hasParts = shapeType != SHPT_POINT;
    const std::size_t n = std::max<std::size_t>(vertexCount, 1);
    auto* x = static_cast<double*>(std::malloc(n * sizeof(double)));
    auto* y = static_cast<double*>(std::malloc(n * sizeof(double)));
    auto* z = static_cast<double*>(std::calloc(n, sizeof(double)));
    auto* m = static_cast<double*>(std::calloc(n, sizeof(double)));
    const std::size_t parts = hasParts ? std::max<std::size_t>(partCount, 1) : 1;
    int* starts = hasParts ? static_cast<int*>(std::malloc(parts * sizeof(int))) : nullptr;
    int* types = hasParts ? static_cast<int*>(std::malloc(parts * sizeof(int))) : nullptr;
    if (x == nullptr || y == nullptr || z == nullptr || m == nullptr ||
        (hasParts && (starts == nullptr || types == nullptr))) {
        std::free(x), std::free(y), std::free(z), std::free(m), std::free(starts), std::free(types);
        return false;
    }
    DecodeVertices(vertices, vertexCount, x, y);
    if (hasParts) {
        DecodePartStarts(partCounts, partCount, starts);
        std::fill(types, types + partCount, SHPP_RING);
        geometry->nParts = static_cast<int>(partCount);
    }
    geometry->panPartStart = starts;
    geometry->panPartType = types;
    geometry->padfX = x;
    geometry->padfY = y;
    geometry->padfZ = z;
    geometry->padfM = m;
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
