#include "app/Application.h"

#include "engine/Clock.h"
#include "ui/MainWindow.h"
#include "ui/QtPrompts.h"
#include "ui/TerminationSignals.h"
#include "ui/WindowMemory.h"

#include <QApplication>
#include <QSettings>

#ifdef TAMSENOR_HAVE_BROWSER
#include "ui/browser/BrowserWindow.h"
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
    // Where the window keeps what the user asked it to remember.
    QApplication::setOrganizationName(ProgramTitle);
    QApplication::setOrganizationDomain(QStringLiteral("tamsenor.org"));

    QtPrompts prompts;
    SystemClock clock;
    WindowMemory memory(std::make_unique<QSettings>());
    MainWindow window(prompts, clock);
    prompts.setParentWindow(&window);
    prompts.setMemory(&memory);
    window.setMemory(&memory);
#ifdef TAMSENOR_HAVE_BROWSER
    window.setBrowserOpener([&window](const QString& address) { OpenBrowserWindow(&window, address); });
#endif
    // Ending by a signal goes the way of closing the window: a run is
    // cancelled and puts back what it replaced; open dialogs and later
    // questions get the answer closing them gives.
    TerminationSignals endBySignal([&window, &prompts] {
        prompts.answerAsClosed();
        CloseWithoutAsking(window);
    });
    window.show();
    return QApplication::exec();
}

} // namespace tamsenor
