// The plugin's one exported symbol: GDAL calls GDALRegister_Torvex when it loads gdal_Torvex.so
// from its plugin folder or from GDAL_DRIVER_PATH.
#include <gdal.h>

#include "gdal/TorvexDriver.h"

extern "C" __attribute__((visibility("default"))) void GDALRegister_Torvex()
{
    // A plugin built against another GDAL than the one loading it must not register.
    if (GDAL_CHECK_VERSION("Torvex driver")) {
        Calvorn::RegisterTorvexDriver();
    }
}
