#include "gdal/SpatialReference.h"

#include <map>
#include <mutex>

namespace Calvorn {

namespace {

constexpr std::size_t kCacheSize = 64;

OGRSpatialReference* Identify(const std::string& wkt)
{
    auto* srs = new OGRSpatialReference();
    std::string text = wkt;
    char* lines[] = {text.data(), nullptr};
    if (srs->importFromESRI(lines) != OGRERR_NONE) {
        srs->Release();
        return nullptr;
    }
    if (OGRSpatialReference* match = srs->FindBestMatch()) {
        srs->Release();
        srs = match;
    }
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

}  // namespace

OGRSpatialReference* SpatialReferenceFromEsri(const std::string& wkt)
{
    static std::mutex mutex;
    // Never destroyed: GDAL may be gone by the time static objects are.
    static auto* cache = new std::map<std::string, OGRSpatialReference*>();
    const std::lock_guard lock(mutex);
    auto found = cache->find(wkt);
    if (found == cache->end()) {
        if (cache->size() >= kCacheSize) {
            for (auto& [text, srs] : *cache) {
                if (srs != nullptr) {
                    srs->Release();
                }
            }
            cache->clear();
        }
        found = cache->emplace(wkt, Identify(wkt)).first;
    }
    return found->second != nullptr ? found->second->Clone() : nullptr;
}

}  // namespace Calvorn
