#include "torvex/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "torvex/GeometryFill.h"

namespace Torvex {

namespace {

struct Ring {
    std::vector<double> x;
    std::vector<double> y;
};

// Twice the signed area (positive counter-clockwise), taken relative to the first vertex so
// that large map coordinates do not swamp small rings.
double TwiceArea(const double* x, const double* y, std::size_t n)
{
    double sum = 0.0;
    const double x0 = x[0];
    const double y0 = y[0];
    for (std::size_t i = 0; i + 1 < n; ++i) {
        sum += (x[i] - x0) * (y[i + 1] - y0) - (x[i + 1] - x0) * (y[i] - y0);
    }
    return sum;
}

// A closed ring of at least 4 points that encloses some area. Rings whose area vanishes against
// their extent (collinear points, rounding noise) are dropped: no reader can use them.
bool IsUsableRing(const double* x, const double* y, std::size_t n)
{
    if (n < 4) {
        return false;
    }
    const auto [xMin, xMax] = std::minmax_element(x, x + n);
    const auto [yMin, yMax] = std::minmax_element(y, y + n);
    const double extent = (*xMax - *xMin) * (*yMax - *yMin);
    const double area = std::fabs(TwiceArea(x, y, n));
    return std::isfinite(area) && std::isfinite(extent) && area > 1e-12 * extent;
}

bool IsUsableRing(const Ring& ring)
{
    return IsUsableRing(ring.x.data(), ring.y.data(), ring.x.size());
}

// True when repairing `geometry` could change nothing but the orientation of its rings: every
// ring closed and usable, the parts covering every vertex, no Z or M values. Nearly every
// polygon read is so, and then it is rewound in place instead of rebuilt.
bool NeedsOnlyRewinding(const Geometry* geometry)
{
    const int nVertices = geometry->nVertices;
    const int nParts = geometry->nParts;
    if (geometry->padfX == nullptr || geometry->padfY == nullptr || nParts <= 0 || nVertices <= 0 ||
        geometry->panPartStart == nullptr || geometry->panPartStart[0] != 0) {
        return false;
    }
    const double* x = geometry->padfX;
    const double* y = geometry->padfY;
    for (int part = 0; part < nParts; ++part) {
        const int begin = geometry->panPartStart[part];
        const int end = part + 1 < nParts ? geometry->panPartStart[part + 1] : nVertices;
        if (begin < 0 || end > nVertices || begin >= end ||
            (geometry->panPartType != nullptr && geometry->panPartType[part] != SHPP_RING) ||
            x[begin] != x[end - 1] || y[begin] != y[end - 1] ||
            !IsUsableRing(x + begin, y + begin, static_cast<std::size_t>(end - begin))) {
            return false;
        }
    }
    for (int i = 0; i < nVertices; ++i) {
        if ((geometry->padfZ != nullptr && geometry->padfZ[i] != 0.0) ||
            (geometry->padfM != nullptr && geometry->padfM[i] != 0.0)) {
            return false;
        }
    }
    return geometry->panPartType != nullptr && geometry->padfZ != nullptr &&
           geometry->padfM != nullptr && !geometry->bMeasureIsUsed;
}

}  // namespace

Geometry* CreateGeometry()
{
    auto* geometry = static_cast<Geometry*>(std::calloc(1, sizeof(Geometry)));
    if (geometry != nullptr) {
        geometry->nSHPType = SHPT_NULL;
        geometry->nShapeId = -1;
    }
    return geometry;
}

void DestroyGeometry(Geometry* geometry)
{
    if (geometry != nullptr) {
        ClearGeometry(geometry);
        std::free(geometry);
    }
}

Geometry* CopyGeometry(const Geometry& source)
{
    // shapelib allocates the arrays as DestroyGeometry frees them.
    return SHPCreateObject(source.nSHPType, source.nShapeId, source.nParts, source.panPartStart,
                           source.panPartType, source.nVertices, source.padfX, source.padfY,
                           source.padfZ, source.padfM);
}

void ComputePlaneBounds(Geometry* geometry)
{
    const int count = geometry->nVertices;
    if (count <= 0) {
        return;
    }
    const double* x = geometry->padfX;
    const double* y = geometry->padfY;
    // shapelib's MIN and MAX: a NaN on either side decides as they do.
    double xMin = x[0];
    double xMax = x[0];
    double yMin = y[0];
    double yMax = y[0];
    for (int i = 0; i < count; ++i) {
        xMin = xMin < x[i] ? xMin : x[i];
        yMin = yMin < y[i] ? yMin : y[i];
        xMax = xMax > x[i] ? xMax : x[i];
        yMax = yMax > y[i] ? yMax : y[i];
    }
    geometry->dfXMin = xMin;
    geometry->dfXMax = xMax;
    geometry->dfYMin = yMin;
    geometry->dfYMax = yMax;
    geometry->dfZMin = geometry->dfZMax = geometry->dfMMin = geometry->dfMMax = 0.0;
}

void ReScaleGeometry(Geometry* geometry, double factor)
{
    if (geometry == nullptr || factor == 1.0) {
        return;
    }
    for (int i = 0; i < geometry->nVertices; ++i) {
        geometry->padfX[i] *= factor;
        geometry->padfY[i] *= factor;
    }
    geometry->dfXMin *= factor;
    geometry->dfXMax *= factor;
    geometry->dfYMin *= factor;
    geometry->dfYMax *= factor;
    // A negative factor mirrors the shape: the old minimum becomes the maximum.
    if (factor < 0.0) {
        std::swap(geometry->dfXMin, geometry->dfXMax);
        std::swap(geometry->dfYMin, geometry->dfYMax);
    }
}

bool FixGeoTopoInPlace(Geometry* geometry)
{
    // The reader makes plain polygons only; rebuilding Z or M polygons would drop their values.
    if (geometry == nullptr || geometry->nSHPType != SHPT_POLYGON) {
        return true;
    }
    if (!NeedsOnlyRewinding(geometry)) {
        return false;
    }
    // Rewinding moves no vertex: the bounds stay right.
    SHPRewindObject(nullptr, geometry);
    return true;
}

void FixGeoTopo(Geometry* geometry)
{
    if (FixGeoTopoInPlace(geometry)) {
        return;
    }
    std::vector<Ring> rings;
    const int nVertices = geometry->padfX != nullptr && geometry->padfY != nullptr
                              ? std::max(geometry->nVertices, 0)
                              : 0;
    const int nParts = geometry->panPartStart != nullptr ? std::max(geometry->nParts, 0) : 0;
    for (int part = 0; part < nParts; ++part) {
        const int begin = geometry->panPartStart[part];
        const int end = part + 1 < nParts ? geometry->panPartStart[part + 1] : nVertices;
        if (begin < 0 || end > nVertices || begin >= end) {
            continue;  // an inconsistent part table: skip the part rather than read past it
        }
        Ring ring;
        ring.x.assign(geometry->padfX + begin, geometry->padfX + end);
        ring.y.assign(geometry->padfY + begin, geometry->padfY + end);
        if (ring.x.front() != ring.x.back() || ring.y.front() != ring.y.back()) {
            ring.x.push_back(ring.x.front());
            ring.y.push_back(ring.y.front());
        }
        if (IsUsableRing(ring)) {
            rings.push_back(std::move(ring));
        }
    }

    std::size_t total = 0;
    for (const Ring& ring : rings) {
        total += ring.x.size();
    }
    const int shapeType = geometry->nSHPType;
    ClearGeometry(geometry);
    geometry->nSHPType = shapeType;
    if (rings.empty()) {
        return;
    }
    std::vector<int> starts;
    std::vector<double> x;
    std::vector<double> y;
    x.reserve(total);
    y.reserve(total);
    for (const Ring& ring : rings) {
        starts.push_back(static_cast<int>(x.size()));
        x.insert(x.end(), ring.x.begin(), ring.x.end());
        y.insert(y.end(), ring.y.begin(), ring.y.end());
    }
    // Builds the object through shapelib so that its arrays are the ones SHPDestroyObject
    // expects; SHPRewindObject then orients each ring by whether other rings contain it.
    SHPObject* fixed = SHPCreateObject(
        shapeType, geometry->nShapeId, static_cast<int>(starts.size()), starts.data(), nullptr,
        static_cast<int>(x.size()), x.data(), y.data(), nullptr, nullptr);
    if (fixed == nullptr) {
        return;
    }
    SHPRewindObject(nullptr, fixed);
    SHPComputeExtents(fixed);
    const int shapeId = geometry->nShapeId;
    std::memcpy(geometry, fixed, sizeof(SHPObject));
    geometry->nShapeId = shapeId;
    std::free(fixed);  // the arrays now belong to `geometry`
}

double DMS2Degree(double packed)
{
    const double value = std::fabs(packed);
    const double degrees = std::floor(value / 10000.0);
    const double rest = value - degrees * 10000.0;
    const double minutes = std::floor(rest / 100.0);
    const double seconds = rest - minutes * 100.0;
    const double result = degrees + minutes / 60.0 + seconds / 3600.0;
    return packed < 0 ? -result : result;
}

}  // namespace Torvex
