// The desktop program `calvorn`.
#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "ui/Artwork.h"
#include "ui/CCalvornApp.h"
#include "ui/QtLanguage.h"
#include "ui/ScreenshotTour.h"
#include "ui/UiServices.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    Calvorn::UseChineseQtTexts(application);
    Calvorn::ApplyApplicationLook();
    // Qt has taken its own options out of argv; the rest is the program's command line.
    const std::vector<std::string> args(argv + 1, argv + argc);

    const std::unique_ptr<Calvorn::ScreenshotTour> tour =
        Calvorn::ScreenshotTour::FromEnvironment();
    Calvorn::UiServices desktop;
    Calvorn::CCalvornApp calvorn(tour ? *tour : desktop);
    const int status = calvorn.InitInstance(args);
    return tour && !tour->Succeeded() ? 1 : status;
}
