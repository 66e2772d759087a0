// The four path settings that survive from one program run to the next, kept in section
// "Options" of the settings file.
#pragma once

#include <filesystem>
#include <string>

#include "app/AppLocations.h"

namespace Calvorn {

class IniFile;

struct PathSettings {
    std::filesystem::path WorkPath;  // starting output folder and folder-browser start
    std::filesystem::path LogPath;   // shown and edited in the settings dialog only
    std::filesystem::path LayerMap;  // layer-name mapping file
    std::filesystem::path FieldMap;  // field-name mapping file

    // The defaults: the executable's folder, and "Calvorn.lyr" / "Calvorn.fld" in it.
    static PathSettings Defaults(const std::filesystem::path& executableFolder);
    // The defaults of the program `locations` describe: those above, or for an installed
    // program the home folder as work folder, the log's folder as log folder and the mapping
    // files in the user's folder.
    static PathSettings Defaults(const AppLocations& locations);

    // Takes each key of section "Options" that is present; the others keep their values.
    void ReadFrom(const IniFile& ini);
    // Sets the four keys in section "Options", in the order WorkPath, LogPath, LayerMap,
    // FieldMap.
    void WriteTo(IniFile& ini) const;

    // The defaults, overridden by the settings file that `locations` says to read.
    static PathSettings Load(const AppLocations& locations,
                             const std::string& baseName = kSettingsBaseName);
    // Writes the settings into the file that `locations` says to write, keeping the rest of
    // that file. When that fails beside the executable, the user's folder is tried (and
    // created). Returns the path written, or an empty path when nothing could be written.
    std::filesystem::path Save(const AppLocations& locations,
                               const std::string& baseName = kSettingsBaseName) const;
};

}  // namespace Calvorn
