#include "gdal/TorvexDriver.h"

#include <cpl_string.h>
#include <gdal_priv.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/PathText.h"
#include "gdal/TorvexDataset.h"

namespace Calvorn {

namespace {

constexpr const char* kDriverName = "Torvex";
constexpr int kProjectKind = 5;

// By content: every Torvex file starts with "TVXF". Files that then fail to open are reported
// by Open, so a damaged file is not mistaken for one of another format.
int Identify(GDALOpenInfo* info)
{
    return info->fpL != nullptr && info->nHeaderBytes >= 4 &&
           std::memcmp(info->pabyHeader, "TVXF", 4) == 0;
}

GDALDataset* Open(GDALOpenInfo* info)
{
    if ((info->nOpenFlags & GDAL_OF_VECTOR) == 0 || !Identify(info)) {
        return nullptr;
    }
    if (info->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported,
                 "Torvex: %s: the driver only reads; update access is refused", info->pszFilename);
        return nullptr;
    }
    TorvexDataset::Options options;
    options.splitAnnotations = CPLFetchBool(info->papszOpenOptions, "SPLIT_ANNOTATIONS", false);
    options.styleAsAttributes = CPLFetchBool(info->papszOpenOptions, "STYLE_AS_ATTRIBUTES", false);
    auto dataset = std::make_unique<TorvexDataset>(options);
    const std::filesystem::path path = Utf8ToPath(info->pszFilename);
    const bool project =
        info->nHeaderBytes >= 8 && info->pabyHeader[6] == kProjectKind && info->pabyHeader[7] == 0;
    std::string reason;
    if (!(project ? dataset->AddProject(path, &reason) : dataset->AddDataFile(path, &reason))) {
        CPLError(CE_Failure, CPLE_OpenFailed, "Torvex: %s %s", info->pszFilename, reason.c_str());
        return nullptr;
    }
    return dataset.release();
}

}  // namespace

void RegisterTorvexDriver()
{
    if (GDALGetDriverByName(kDriverName) != nullptr) {
        return;
    }
    auto* driver = new GDALDriver();
    driver->SetDescription(kDriverName);
    driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME,
                            "Torvex point, line, polygon, table and project files");
    driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "wt wl wp wb mpj");
    driver->SetMetadataItem(GDAL_DCAP_MULTIPLE_VECTOR_LAYERS, "YES");
    driver->SetMetadataItem(
        GDAL_DMD_OPENOPTIONLIST,
        "<OpenOptionList>"
        "<Option name='SPLIT_ANNOTATIONS' type='boolean' default='NO' description='Point files: "
        "annotation points in a layer of their own, NAME_ANN, the other points in NAME'/>"
        "<Option name='STYLE_AS_ATTRIBUTES' type='boolean' default='NO' description='The "
        "graphic parameters as fields after the stored ones'/>"
        "</OpenOptionList>");
    driver->pfnIdentify = Identify;
    driver->pfnOpen = Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}

}  // namespace Calvorn
