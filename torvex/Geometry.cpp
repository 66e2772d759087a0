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
double TwiceArea(const Ring& ring)
{
    double sum = 0.0;
    const double x0 = ring.x[0];
    const double y0 = ring.y[0];
    for (std::size_t i = 0; i + 1 < ring.x.size(); ++i) {
        sum += (ring.x[i] - x0) * (ring.y[i + 1] - y0) - (ring.x[i + 1] - x0) * (ring.y[i] - y0);
    }
    return sum;
}

// A closed ring of at least 4 points that encloses some area. Rings whose area vanishes against
// their extent (collinear points, rounding noise) are dropped: no reader can use them.
bool IsUsableRing(const Ring& ring)
{
    if (ring.x.size() < 4) {
        return false;
    }
    const auto [xMin, xMax] = std::minmax_element(ring.x.begin(), ring.x.end());
    const auto [yMin, yMax] = std::minmax_element(ring.y.begin(), ring.y.end());
    const double extent = (*xMax - *xMin) * (*yMax - *yMin);
    const double area = std::fabs(TwiceArea(ring));
    return std::isfinite(area) && std::isfinite(extent) && area > 1e-12 * extent;
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

void FixGeoTopo(Geometry* geometry)
{
    // The reader makes plain polygons only; rebuilding Z or M polygons would drop their values.
    if (geometry == nullptr || geometry->nSHPType != SHPT_POLYGON) {
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
