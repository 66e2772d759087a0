// A Torvex file opened through GDAL: a data file gives one layer (two for a point file with
// its annotations split off), a project one layer per listed data file that can be read.
#pragma once

#include <gdal_priv.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gdal/TorvexLayer.h"

namespace Calvorn {

class TorvexDataset final : public GDALDataset {
public:
    struct Options {
        bool splitAnnotations = false;   // SPLIT_ANNOTATIONS=YES
        bool styleAsAttributes = false;  // STYLE_AS_ATTRIBUTES=YES
    };

    explicit TorvexDataset(const Options& options);

    // Adds the layers of a data file. False, with nothing added, when the reader cannot open
    // it; `reason` then says why.
    bool AddDataFile(const std::filesystem::path& path, std::string* reason);
    // Adds the layers of every listed item, with a warning for each item left out. False
    // when the project itself cannot be read.
    bool AddProject(const std::filesystem::path& path, std::string* reason);

    int GetLayerCount() override { return static_cast<int>(m_layers.size()); }
    OGRLayer* GetLayer(int index) override;
    int TestCapability(const char*) override { return FALSE; }

private:
    // `base`, or base_2, base_3, ... so that it and the names with `suffixes` are all free
    // (compared without regard to case, as GDAL looks layer names up).
    std::string UniqueName(const std::string& base, const std::vector<std::string>& suffixes);

    Options m_options;
    std::vector<std::unique_ptr<TorvexLayer>> m_layers;
    std::set<std::string> m_takenNames;  // upper-cased
};

// The reader's open result as a phrase for a message ("is not a Torvex file").
std::string OpenFailureText(int result);

}  // namespace Calvorn
