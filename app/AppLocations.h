// Where the program keeps its files: the executable's folder, and the user's own folder for
// the application, used when the executable's folder cannot be written (an installed program).
//
// Linux: the user's folder is $XDG_CONFIG_HOME/calvorn, by default ~/.config/calvorn.
// Windows: %LOCALAPPDATA%\Calvorn.
#pragma once

#include <filesystem>
#include <string>

namespace Calvorn {

// Base name of the settings file shared by the desktop program and the console tool.
inline constexpr const char* kSettingsBaseName = "calvorn";

class AppLocations {
public:
    // The running executable's folder and the current user's folder.
    AppLocations();
    // Explicit folders, for tests and for front ends that know better.
    AppLocations(std::filesystem::path executableFolder, std::filesystem::path userFolder);

    // Full path of the running executable; empty if the system does not tell.
    static std::filesystem::path ExecutablePath();
    // The user's folder for the application from the environment; empty if there is none.
    static std::filesystem::path DefaultUserFolder();

    const std::filesystem::path& ExecutableFolder() const { return m_executableFolder; }
    const std::filesystem::path& UserFolder() const { return m_userFolder; }

    // True when a file can be created in `folder` right now. Tried for real: permission bits
    // lie for the super-user and on Windows, where access is decided by ACLs.
    static bool IsFolderWritable(const std::filesystem::path& folder);

    // The settings file to read: the user's one when it exists, else the one beside the
    // executable (which may not exist either; reading it then gives the defaults).
    std::filesystem::path SettingsReadPath(const std::string& baseName = kSettingsBaseName) const;

    // The settings file to write: the user's one when it exists (it is the one read, so a
    // change written elsewhere would be lost at the next start), else the one beside the
    // executable when that folder is writable, else the user's.
    std::filesystem::path SettingsWritePath(const std::string& baseName = kSettingsBaseName) const;

    // The settings file beside the executable and in the user's folder.
    std::filesystem::path ExecutableSettingsPath(const std::string& baseName) const;
    std::filesystem::path UserSettingsPath(const std::string& baseName) const;

private:
    std::filesystem::path m_executableFolder;
    std::filesystem::path m_userFolder;
};

}  // namespace Calvorn
