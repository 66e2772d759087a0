// Point and polygon files are not converted yet; these stand in until their converters come.
#include "convert/ConversionEngine.h"

namespace Calvorn {

int ConversionEngine::ConvertPoint2Shp(const std::filesystem::path& /*source*/,
                                       const std::filesystem::path& /*outputFolder*/,
                                       int /*progressFlag*/)
{
    return kOutcomeNoConverter;
}

int ConversionEngine::ConvertPolygon2Shp(const std::filesystem::path& /*source*/,
                                         const std::filesystem::path& /*outputFolder*/,
                                         int /*progressFlag*/)
{
    return kOutcomeNoConverter;
}

}  // namespace Calvorn
