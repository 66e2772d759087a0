// Where the program keeps its files.
//
// Normally beside the executable, with the user's own folder for the application used when
// the executable's folder cannot be written. An installed program (the executable in
// <prefix>/bin beside <prefix>/share/calvorn) keeps nothing beside itself: its settings and
// mapping files are in the user's folder, its log in the user's state folder, its help page
// in <prefix>/share/calvorn.
//
// Linux: the user's folder is $XDG_CONFIG_HOME/calvorn (by default ~/.config/calvorn), the state
// folder $XDG_STATE_HOME/calvorn (by default ~/.local/state/calvorn).
// Windows: both are %LOCALAPPDATA%\Calvorn.
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
    // Explicit folders of a program that is not installed, for tests and for front ends that
    // know better.
    AppLocations(std::filesystem::path executableFolder, std::filesystem::path userFolder);
    // An installed program in `executableFolder` (<prefix>/bin) with the user's folders given.
    static AppLocations Installed(std::filesystem::path executableFolder,
                                  std::filesystem::path userFolder,
                                  std::filesystem::path stateFolder,
                                  std::filesystem::path homeFolder);

    // Full path of the running executable; empty if the system does not tell.
    static std::filesystem::path ExecutablePath();
    // The user's folder for the application from the environment; empty if there is none.
    static std::filesystem::path DefaultUserFolder();
    // The user's state folder for the application, and the user's home folder, from the
    // environment; empty if there is none.
    static std::filesystem::path DefaultStateFolder();
    static std::filesystem::path DefaultHomeFolder();
    // Whether an executable in `executableFolder` is installed: the folder is <prefix>/bin and
    // <prefix>/share/calvorn exists.
    static bool IsInstalledLayout(const std::filesystem::path& executableFolder);

    const std::filesystem::path& ExecutableFolder() const { return m_executableFolder; }
    const std::filesystem::path& UserFolder() const { return m_userFolder; }
    bool IsInstalled() const { return m_installed; }
    // Where the help page lies: <prefix>/share/calvorn when installed, else the executable's
    // folder.
    std::filesystem::path DataFolder() const;
    // The user's state folder (an installed program's log); empty when not installed.
    const std::filesystem::path& StateFolder() const { return m_stateFolder; }
    // The user's home folder (an installed program's work folder); empty when not installed.
    const std::filesystem::path& HomeFolder() const { return m_homeFolder; }

    // True when a file can be created in `folder` right now. Tried for real: permission bits
    // lie for the super-user and on Windows, where access is decided by ACLs.
    static bool IsFolderWritable(const std::filesystem::path& folder);

    // The settings file to read: the user's one when it exists or the program is installed,
    // else the one beside the executable (which may not exist either; reading it then gives
    // the defaults).
    std::filesystem::path SettingsReadPath(const std::string& baseName = kSettingsBaseName) const;

    // The settings file to write: the user's one when it exists (it is the one read, so a
    // change written elsewhere would be lost at the next start) or the program is installed,
    // else the one beside the executable when that folder is writable, else the user's.
    std::filesystem::path SettingsWritePath(const std::string& baseName = kSettingsBaseName) const;

    // The settings file beside the executable and in the user's folder.
    std::filesystem::path ExecutableSettingsPath(const std::string& baseName) const;
    std::filesystem::path UserSettingsPath(const std::string& baseName) const;

private:
    std::filesystem::path m_executableFolder;
    std::filesystem::path m_userFolder;
    std::filesystem::path m_stateFolder;
    std::filesystem::path m_homeFolder;
    bool m_installed = false;
};

}  // namespace Calvorn
