// The GDAL/OGR vector driver "Torvex": registers it with GDAL's driver manager (once).
#pragma once

namespace Calvorn {

void RegisterTorvexDriver();

}  // namespace Calvorn
