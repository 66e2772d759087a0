#include "gdal/FeatureGeometry.h"

#include <vector>

namespace Calvorn {

namespace {

// Vertex range [begin, end) of part `part`.
void PartRange(const Torvex::Geometry& geometry, int part, int* begin, int* end)
{
    *begin = geometry.panPartStart[part];
    *end = part + 1 < geometry.nParts ? geometry.panPartStart[part + 1] : geometry.nVertices;
}

std::unique_ptr<OGRGeometry> MakeLines(const Torvex::Geometry& geometry)
{
    auto lines = std::make_unique<OGRMultiLineString>();
    for (int part = 0; part < geometry.nParts; ++part) {
        int begin = 0;
        int end = 0;
        PartRange(geometry, part, &begin, &end);
        auto line = std::make_unique<OGRLineString>();
        line->setPoints(end - begin, geometry.padfX + begin, geometry.padfY + begin);
        lines->addGeometryDirectly(line.release());
    }
    return lines;
}

std::unique_ptr<OGRGeometry> MakePolygons(const Torvex::Geometry& geometry)
{
    std::vector<std::unique_ptr<OGRLinearRing>> rings;
    rings.reserve(static_cast<std::size_t>(geometry.nParts));
    std::size_t clockwise = 0;
    std::size_t outer = 0;
    bool closedRings = true;
    for (int part = 0; part < geometry.nParts; ++part) {
        int begin = 0;
        int end = 0;
        PartRange(geometry, part, &begin, &end);
        auto ring = std::make_unique<OGRLinearRing>();
        ring->setPoints(end - begin, geometry.padfX + begin, geometry.padfY + begin);
        closedRings = closedRings && ring->getNumPoints() >= 4;
        if (ring->isClockwise()) {
            ++clockwise;
            outer = rings.size();
        }
        rings.push_back(std::move(ring));
    }
    if (rings.empty()) {
        return nullptr;
    }
    auto multi = std::make_unique<OGRMultiPolygon>();
    // One clockwise ring: it is the outer ring and every other ring a hole, in their order,
    // which is GDAL's own answer for such rings, got without its general search.
    if (clockwise == 1 && closedRings) {
        auto* polygon = new OGRPolygon();
        polygon->addRingDirectly(rings[outer].release());
        for (auto& ring : rings) {
            if (ring) {
                polygon->addRingDirectly(ring.release());
            }
        }
        multi->addGeometryDirectly(polygon);
        return multi;
    }
    if (rings.size() == 1) {
        auto* polygon = new OGRPolygon();
        polygon->addRingDirectly(rings.front().release());
        multi->addGeometryDirectly(polygon);
        return multi;
    }
    // Takes the polygons over; the array stays ours.
    std::vector<OGRGeometry*> polygons;
    for (auto& ring : rings) {
        auto* polygon = new OGRPolygon();
        polygon->addRingDirectly(ring.release());
        polygons.push_back(polygon);
    }
    int valid = 0;
    const char* options[] = {"METHOD=ONLY_CCW", nullptr};
    OGRGeometry* grouped = OGRGeometryFactory::organizePolygons(
        polygons.data(), static_cast<int>(polygons.size()), &valid, options);
    return std::unique_ptr<OGRGeometry>(OGRGeometryFactory::forceToMultiPolygon(grouped));
}

}  // namespace

std::unique_ptr<OGRGeometry> MakeOgrGeometry(const Torvex::Geometry& geometry)
{
    switch (geometry.nSHPType) {
        case SHPT_POINT:
            if (geometry.nVertices < 1) {
                return nullptr;
            }
            return std::make_unique<OGRPoint>(geometry.padfX[0], geometry.padfY[0]);
        case SHPT_ARC:
            return MakeLines(geometry);
        case SHPT_POLYGON:
            return MakePolygons(geometry);
        default:
            return nullptr;
    }
}

}  // namespace Calvorn
