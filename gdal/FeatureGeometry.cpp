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
    std::vector<OGRGeometry*> polygons;
    polygons.reserve(static_cast<std::size_t>(geometry.nParts));
    for (int part = 0; part < geometry.nParts; ++part) {
        int begin = 0;
        int end = 0;
        PartRange(geometry, part, &begin, &end);
        auto* ring = new OGRLinearRing();
        ring->setPoints(end - begin, geometry.padfX + begin, geometry.padfY + begin);
        auto* polygon = new OGRPolygon();
        polygon->addRingDirectly(ring);
        polygons.push_back(polygon);
    }
    if (polygons.empty()) {
        return nullptr;
    }
    OGRGeometry* grouped = polygons.front();
    if (polygons.size() > 1) {
        // Takes the polygons over; the array stays ours.
        int valid = 0;
        const char* options[] = {"METHOD=ONLY_CCW", nullptr};
        grouped = OGRGeometryFactory::organizePolygons(
            polygons.data(), static_cast<int>(polygons.size()), &valid, options);
    }
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
