#include "app/Application.h"

#include "app/CommandLine.h"
#include "ui/ChosenFilesDrop.h"
#include "ui/HelpText.h"

#include "engine/Clock.h"
#include "engine/RunMemory.h"
#include "ui/MainWindow.h"
#include "ui/QtPrompts.h"
#include "ui/TerminationSignals.h"
#include "ui/WindowMemory.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QSettings>
#include <QUrl>

#include <cstdio>
#include <optional>

#ifdef TAMSENOR_HAVE_BROWSER
#include "ui/browser/BrowserWindow.h"
#endif

namespace tamsenor {

namespace {

void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

// --help and --version answer before there is an application, so that they
// need no display.
std::optional<int> AnswerWithoutWindow(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    switch (ParseWindowArguments(arguments).action) {
    case WindowCommandLine::Action::Help:
        Print(stdout, WindowUsage());
        return 0;
    case WindowCommandLine::Action::Version:
        Print(stdout, QStringLiteral("tamsenor ") + ProgramVersion() + QLatin1Char('\n'));
        return 0;
    case WindowCommandLine::Action::Run:
    case WindowCommandLine::Action::Error: // Qt's own options are known only to the application
        break;
    }
    return std::nullopt;
}

} // namespace

int RunApplication(int argc, char* argv[])
{
    if (const std::optional<int> answered = AnswerWithoutWindow(argc, argv))
        return *answered;
    KeepMemoryBetweenFiles();
#ifdef TAMSENOR_HAVE_BROWSER
    // Before the application exists: the browser engine's sandbox set-up for root.
    PrepareBrowserProcess();
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramTitle);
    // Where the window keeps what the user asked it to remember.
    QApplication::setOrganizationName(ProgramTitle);
    QApplication::setOrganizationDomain(QStringLiteral("tamsenor.org"));
    // The launcher entry's name, so that the desktop matches the window to it and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tamsenor.Tamsenor"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("org.tamsenor.Tamsenor"), QIcon(QStringLiteral(":/tamsenor/tamsenor.png"))));

    // What is left once Qt took its own options (-platform, -style, ...).
    const WindowCommandLine line = ParseWindowArguments(QApplication::arguments().mid(1));
    if (line.action == WindowCommandLine::Action::Error) {
        Print(stderr, QStringLiteral("tamsenor: ") + line.error + QStringLiteral("\nTry 'tamsenor --help'.\n"));
        return 2;
    }

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
    if (!line.paths.isEmpty()) {
        // As if dropped onto the chosen files (a desktop entry's %F gives them so).
        QList<QUrl> urls;
        for (const QString& path : line.paths)
            urls << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        window.chosenFilesDrop().drop(urls);
    }
    return QApplication::exec();
}

} // namespace tamsenor
