#include "ui/CCalvornApp.h"

#include <QDialog>

#include "app/CCmdBatchInfo.h"
#include "app/CConvertLog.h"
#include "batch/OneFileConversion.h"
#include "ui/CCalvornDlg.h"
#include "ui/UiServices.h"

namespace Calvorn {

CCalvornApp::CCalvornApp(UiServices& services, AppLocations locations)
    : m_services(services), m_locations(std::move(locations)), m_homePage(BuildHomePage())
{
}

QUrl CCalvornApp::BuildHomePage()
{
    return QUrl(QStringLiteral(CALVORN_HOME_PAGE));
}

int CCalvornApp::InitInstance(const std::vector<std::string>& args)
{
    // The switches set the options before anything else is read.
    CCmdBatchInfo info(m_options);
    info.ParseCommandLine(args);
    CConvertLog::Get().Configure(m_locations);

    m_settings = PathSettings::Defaults(m_locations);
    if (!info.m_strSourceFile.empty() || !info.m_strOutputPath.empty()) {
        // A file named on the command line is converted without the window; a lone argument
        // gets the usage text.
        CCalvornDlg converter(m_options, m_settings, m_services);
        return OneFileExitStatus(converter.ConvertFromCmdLine(info));
    }

    m_settings = PathSettings::Load(m_locations);
    int result = QDialog::Rejected;
    {
        CCalvornDlg dialog(m_options, m_settings, m_services);
        dialog.SetHelpFile(m_locations.DataFolder() / kHelpFileName);
        dialog.SetHomePage(m_homePage);
        result = m_services.ExecDialog(dialog);
    }
    // Every way of closing the window ends it with the cancel result.
    if (result == QDialog::Rejected && !m_homePage.isEmpty()) {
        m_services.OpenUrl(m_homePage);
    }
    m_settingsWritten = m_settings.Save(m_locations);
    return 0;
}

}  // namespace Calvorn
