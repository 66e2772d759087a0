// libFuzzer target: opens the input through the GDAL API with the Torvex driver, as a data or a
// project file and with or without each open option, and reads every feature of every layer
// one after the other and again by FID. The count is what the full read returned, and a feature
// read by FID is the one read in sequence.
#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/InputFile.h"
#include "fuzz/ReaderWalk.h"
#include "gdal/TorvexDriver.h"

namespace {

using CalvornFuzz::Check;

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};

void ReadLayer(OGRLayer& layer)
{
    OGREnvelope extent;
    static_cast<void>(layer.GetExtent(&extent, TRUE));
    const GIntBig count = layer.GetFeatureCount(TRUE);
    std::vector<std::unique_ptr<OGRFeature>> features;
    layer.ResetReading();
    while (OGRFeature* feature = layer.GetNextFeature()) {
        features.emplace_back(feature);
        for (int i = 0; i < feature->GetFieldCount(); ++i) {
            feature->GetFieldAsString(i);  // every value formatted, so ASan sees it read
        }
        if (const OGRGeometry* geometry = feature->GetGeometryRef()) {
            std::vector<unsigned char> wkb(geometry->WkbSize());
            geometry->exportToWkb(wkbNDR, wkb.data());
        }
        OGRStyleMgr style;
        style.InitFromFeature(feature);
        for (int i = 0; i < style.GetPartCount(); ++i) {
            delete style.GetPart(i);
        }
    }
    Check(count == static_cast<GIntBig>(features.size()), "count differs from a full read");
    for (const auto& feature : features) {
        const std::unique_ptr<OGRFeature> again(layer.GetFeature(feature->GetFID()));
        Check(again && again->Equal(feature.get()), "feature read by FID differs");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CPLSetErrorHandler(CPLQuietErrorHandler);
    Calvorn::RegisterTorvexDriver();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // The last byte picks the variant: check values made right, annotations split, style
    // fields.
    const unsigned variant = size > 0 ? data[size - 1] : 0;
    if ((variant & 1) != 0) {
        CalvornFuzz::FixCheckValues(bytes);
    }
    const std::string path = CalvornFuzz::WriteInputFile("fuzz_gdal", bytes).string();
    const char* const drivers[] = {"Torvex", nullptr};
    std::vector<const char*> options;
    if ((variant & 2) != 0) {
        options.push_back("SPLIT_ANNOTATIONS=YES");
    }
    if ((variant & 4) != 0) {
        options.push_back("STYLE_AS_ATTRIBUTES=YES");
    }
    options.push_back(nullptr);
    const std::unique_ptr<GDALDataset, DatasetCloser> dataset(GDALDataset::Open(
        path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, options.data()));
    if (dataset) {
        for (OGRLayer* layer : dataset->GetLayers()) {
            ReadLayer(*layer);
        }
    }
    return 0;
}
