// Writes the .prj file beside a Shapefile: the coordinate system of the source as one line of
// ESRI well-known text, built from the reader's projection record and constant tables.
#pragma once

#include <filesystem>
#include <string>

#include "torvex/Records.h"

namespace Calvorn {

class CPrjWriter {
public:
    // The well-known text for `record`; empty for a record of kind 2 (no coordinate system)
    // and for a null record.
    std::string BuildWkt(const Torvex::MAP_PARAstruct* record) const;

    // Writes BuildWkt's text to basePath + ".prj", replacing an existing file. Returns false
    // when the file cannot be created or written; no partial file is left then.
    bool WritePrj(const Torvex::MAP_PARAstruct* record,
                  const std::filesystem::path& basePath) const;
};

}  // namespace Calvorn
