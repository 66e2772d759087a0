#include "app/PathSettings.h"

#include <system_error>

#include "app/IniFile.h"
#include "app/PathText.h"

namespace Calvorn {

namespace {

constexpr const char* kSection = "Options";

void ReadKey(const IniFile& ini, const char* key, std::filesystem::path& setting)
{
    setting = Utf8ToPath(ini.GetString(kSection, key, PathToUtf8(setting)));
}

bool SaveInto(const PathSettings& settings, const std::filesystem::path& path)
{
    if (path.empty()) {
        return false;
    }
    std::error_code error;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), error);
    }
    IniFile ini;
    if (std::filesystem::exists(path, error) && !ini.Load(path)) {
        // Never replace a file whose other sections could not be read.
        return false;
    }
    settings.WriteTo(ini);
    return ini.Save(path);
}

}  // namespace

PathSettings PathSettings::Defaults(const std::filesystem::path& executableFolder)
{
    PathSettings settings;
    settings.WorkPath = executableFolder;
    settings.LogPath = executableFolder;
    settings.LayerMap = executableFolder / "Calvorn.lyr";
    settings.FieldMap = executableFolder / "Calvorn.fld";
    return settings;
}

void PathSettings::ReadFrom(const IniFile& ini)
{
    ReadKey(ini, "WorkPath", WorkPath);
    ReadKey(ini, "LogPath", LogPath);
    ReadKey(ini, "LayerMap", LayerMap);
    ReadKey(ini, "FieldMap", FieldMap);
}

void PathSettings::WriteTo(IniFile& ini) const
{
    ini.SetString(kSection, "WorkPath", PathToUtf8(WorkPath));
    ini.SetString(kSection, "LogPath", PathToUtf8(LogPath));
    ini.SetString(kSection, "LayerMap", PathToUtf8(LayerMap));
    ini.SetString(kSection, "FieldMap", PathToUtf8(FieldMap));
}

PathSettings PathSettings::Defaults(const AppLocations& locations)
{
    if (!locations.IsInstalled()) {
        return Defaults(locations.ExecutableFolder());
    }
    PathSettings settings;
    settings.WorkPath = locations.HomeFolder();
    settings.LogPath = locations.StateFolder();
    settings.LayerMap = locations.UserFolder() / "Calvorn.lyr";
    settings.FieldMap = locations.UserFolder() / "Calvorn.fld";
    return settings;
}

PathSettings PathSettings::Load(const AppLocations& locations, const std::string& baseName)
{
    PathSettings settings = Defaults(locations);
    IniFile ini;
    ini.Load(locations.SettingsReadPath(baseName));
    settings.ReadFrom(ini);
    return settings;
}

std::filesystem::path PathSettings::Save(const AppLocations& locations,
                                         const std::string& baseName) const
{
    std::filesystem::path target = locations.SettingsWritePath(baseName);
    if (SaveInto(*this, target)) {
        return target;
    }
    std::filesystem::path user = locations.UserSettingsPath(baseName);
    if (user != target && SaveInto(*this, user)) {
        return user;
    }
    return {};
}

}  // namespace Calvorn
