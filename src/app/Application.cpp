#include "app/Application.h"

#include "engine/Clock.h"
#include "ui/Main.h"
#include "ui/QtPrompts.h"

#include <QApplication>

#ifdef TAMSENOR_HAVE_BROWSER
#include "ui/browser/frmBrowser.h"
#endif

namespace tamsenor {

int RunApplication(int argc, char* argv[])
{
#ifdef TAMSENOR_HAVE_BROWSER
    // Before the application exists: the browser engine's sandbox set-up for root.
    PrepareBrowserProcess();
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramTitle);

    QtPrompts prompts;
    SystemClock clock;
    Main window(prompts, clock);
    prompts.setParentWindow(&window);
#ifdef TAMSENOR_HAVE_BROWSER
    window.setBrowserOpener([&window](const QString& address) { OpenBrowserWindow(&window, address); });
#endif
    window.show();
    return QApplication::exec();
}

} // namespace tamsenor
