// Spatial references from the .prj writer's ESRI well-known text, identified as GDAL identifies
// the .prj of a Shapefile (EPSG:4326, not a custom "GCS_WGS_1984").
#pragma once

#include <ogr_spatialref.h>

#include <string>

namespace Calvorn {

// A new reference (the caller releases it) with the traditional GIS axis order, or null when
// GDAL cannot read the text. Identifying a projected system costs tens of milliseconds, so the
// results are kept for the process: the layers of a project nearly always share one system.
OGRSpatialReference* SpatialReferenceFromEsri(const std::string& wkt);

}  // namespace Calvorn
