// The application object: the start-up of the desktop program. It parses the command line
// (switches set the options); with a plain argument it converts that one file and ends;
// otherwise it reads the settings, runs the main window, opens the home page when the window
// has closed and writes the settings back.
#pragma once

#include <QString>
#include <QUrl>
#include <filesystem>
#include <string>
#include <vector>

#include "app/AppLocations.h"
#include "app/ConversionOptions.h"
#include "app/PathSettings.h"

namespace Calvorn {

class UiServices;

class CCalvornApp {
public:
    // The help page, beside the executable or in an installed program's data folder.
#ifdef _WIN32
    static constexpr const char* kHelpFileName = "calvorn.chm";
#else
    static constexpr const char* kHelpFileName = "calvorn.html";
#endif

    // A QApplication must exist. `locations` says where the settings, the log and the help
    // page are; the default is the running executable's (see AppLocations).
    explicit CCalvornApp(UiServices& services, AppLocations locations = AppLocations());

    // The product home page; the build's own unless set. Empty: no link, nothing opened.
    void SetHomePage(const QUrl& address)
    {
        m_homePage = address;
    }
    static QUrl BuildHomePage();

    // Start-up and the whole run of the program with `args`, the arguments after the program
    // name (UTF-8). Returns the process's exit status: 0 after the main window, the one-file
    // conversion's status otherwise.
    int InitInstance(const std::vector<std::string>& args);

    const ConversionOptions& Options() const
    {
        return m_options;
    }
    const PathSettings& Settings() const
    {
        return m_settings;
    }
    // Where the settings were written at the end, or empty.
    const std::filesystem::path& SettingsWritten() const
    {
        return m_settingsWritten;
    }

private:
    UiServices& m_services;
    AppLocations m_locations;
    QUrl m_homePage;
    ConversionOptions m_options;
    PathSettings m_settings;
    std::filesystem::path m_settingsWritten;
};

}  // namespace Calvorn
