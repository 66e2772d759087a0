#include "app/AppLocations.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace Calvorn {

namespace {

std::filesystem::path SettingsFileName(const std::string& baseName)
{
    return std::filesystem::path(baseName + ".ini");
}

// An environment variable that names an absolute folder; relative values are to be ignored,
// as the base-directory rules say.
std::filesystem::path AbsoluteFolderFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return {};
    }
    return std::filesystem::path(value);
}

}  // namespace

AppLocations::AppLocations()
    : m_executableFolder(ExecutablePath().parent_path()), m_userFolder(DefaultUserFolder())
{
    if (IsInstalledLayout(m_executableFolder)) {
        m_installed = true;
        m_stateFolder = DefaultStateFolder();
        m_homeFolder = DefaultHomeFolder();
    }
}

AppLocations::AppLocations(std::filesystem::path executableFolder, std::filesystem::path userFolder)
    : m_executableFolder(std::move(executableFolder)), m_userFolder(std::move(userFolder))
{
}

AppLocations AppLocations::Installed(std::filesystem::path executableFolder,
                                     std::filesystem::path userFolder,
                                     std::filesystem::path stateFolder,
                                     std::filesystem::path homeFolder)
{
    AppLocations locations(std::move(executableFolder), std::move(userFolder));
    locations.m_installed = true;
    locations.m_stateFolder = std::move(stateFolder);
    locations.m_homeFolder = std::move(homeFolder);
    return locations;
}

bool AppLocations::IsInstalledLayout(const std::filesystem::path& executableFolder)
{
    std::error_code error;
    return executableFolder.filename() == "bin" &&
           std::filesystem::is_directory(executableFolder.parent_path() / "share" / "calvorn",
                                         error);
}

std::filesystem::path AppLocations::DataFolder() const
{
    return m_installed ? m_executableFolder.parent_path() / "share" / "calvorn"
                       : m_executableFolder;
}

std::filesystem::path AppLocations::ExecutablePath()
{
#ifdef _WIN32
    // The buffer grows until the whole path fits: long paths are not cut at 260 characters.
    std::wstring buffer(512, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
#endif
}

std::filesystem::path AppLocations::DefaultUserFolder()
{
#ifdef _WIN32
    const wchar_t* localAppData = _wgetenv(L"LOCALAPPDATA");
    if (localAppData == nullptr || *localAppData == L'\0') {
        return {};
    }
    return std::filesystem::path(localAppData) / L"Calvorn";
#else
    const std::filesystem::path configHome = AbsoluteFolderFromEnvironment("XDG_CONFIG_HOME");
    if (!configHome.empty()) {
        return configHome / "calvorn";
    }
    const std::filesystem::path home = DefaultHomeFolder();
    return home.empty() ? home : home / ".config" / "calvorn";
#endif
}

std::filesystem::path AppLocations::DefaultStateFolder()
{
#ifdef _WIN32
    return DefaultUserFolder();
#else
    const std::filesystem::path stateHome = AbsoluteFolderFromEnvironment("XDG_STATE_HOME");
    if (!stateHome.empty()) {
        return stateHome / "calvorn";
    }
    const std::filesystem::path home = DefaultHomeFolder();
    return home.empty() ? home : home / ".local" / "state" / "calvorn";
#endif
}

std::filesystem::path AppLocations::DefaultHomeFolder()
{
#ifdef _WIN32
    const wchar_t* profile = _wgetenv(L"USERPROFILE");
    return profile == nullptr ? std::filesystem::path() : std::filesystem::path(profile);
#else
    const char* home = std::getenv("HOME");
    return home == nullptr || home[0] == '\0' ? std::filesystem::path()
                                              : std::filesystem::path(home);
#endif
}

bool AppLocations::IsFolderWritable(const std::filesystem::path& folder)
{
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        return false;
    }
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const unsigned long processId = static_cast<unsigned long>(_getpid());
#else
    const unsigned long processId = static_cast<unsigned long>(getpid());
#endif
    const std::filesystem::path probe =
        folder / (".calvorn-write-probe-" + std::to_string(processId) + "-" +
                  std::to_string(counter.fetch_add(1)));
    // "x": fail rather than touch a file that happens to have the probe's name.
#ifdef _WIN32
    FILE* file = _wfopen(probe.c_str(), L"wbx");
#else
    FILE* file = std::fopen(probe.c_str(), "wbx");
#endif
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    std::filesystem::remove(probe, error);
    return true;
}

std::filesystem::path AppLocations::ExecutableSettingsPath(const std::string& baseName) const
{
    return m_executableFolder / SettingsFileName(baseName);
}

std::filesystem::path AppLocations::UserSettingsPath(const std::string& baseName) const
{
    if (m_userFolder.empty()) {
        return {};
    }
    return m_userFolder / SettingsFileName(baseName);
}

std::filesystem::path AppLocations::SettingsReadPath(const std::string& baseName) const
{
    std::error_code error;
    std::filesystem::path user = UserSettingsPath(baseName);
    if (!user.empty() && (m_installed || std::filesystem::exists(user, error))) {
        return user;
    }
    return ExecutableSettingsPath(baseName);
}

std::filesystem::path AppLocations::SettingsWritePath(const std::string& baseName) const
{
    std::error_code error;
    std::filesystem::path user = UserSettingsPath(baseName);
    if (!user.empty() && (m_installed || std::filesystem::exists(user, error))) {
        return user;
    }
    if (IsFolderWritable(m_executableFolder) || user.empty()) {
        return ExecutableSettingsPath(baseName);
    }
    return user;
}

}  // namespace Calvorn
