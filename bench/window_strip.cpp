// Times a strip run done by the real main window over every file of a folder,
// for comparison with `tamsenor-batch strip --jobs 1` on the same files.
// Usage: tamsenor-window-bench [--shown] [--dark] [--hold MS] CORPUS_DIR OUT_DIR
// Without --shown the window runs offscreen and is never painted. With it the
// window is shown on the display Qt is given (an X server, e.g. under
// `xvfb-run -a -s '-screen 0 1600x1000x24'`) and painted as a user sees it;
// the time runs from the click on ProcessFiles to the run's end, paints included.
// --dark gives the program a dark palette, as a dark desktop theme would;
// --hold keeps the window up MS milliseconds before and after the run (to look
// at it, or to read what assistive technology is told).
#include "engine/Clock.h"
#include "engine/Prompts.h"
#include "ui/MainWindow.h"
#include "ui/toolkit/CheckBox.h"
#include "ui/toolkit/ListBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPalette>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Answers as a user who wants the run: OK to every question, the given output folder.
class BenchPrompts : public tamsenor::Prompts {
public:
    explicit BenchPrompts(QString out)
        : out_(std::move(out))
    {
    }
    tamsenor::Answer message(const QString& text, tamsenor::Icon, tamsenor::Buttons buttons, const QString&) override
    {
        messages_ << text;
        return buttons == tamsenor::Buttons::YesNo ? tamsenor::Answer::No : tamsenor::Answer::Ok;
    }
    std::optional<QString> openFile(const tamsenor::FileDialogSetup&) override { return std::nullopt; }
    std::optional<QString> saveFile(const tamsenor::FileDialogSetup&) override { return std::nullopt; }
    QString chooseOutputDirectory() override { return out_; }
    const QStringList& messages() const { return messages_; }

private:
    QString out_;
    QStringList messages_;
};

// Lets the window be painted and answer for `ms` milliseconds.
void Hold(int ms)
{
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QPalette DarkPalette()
{
    QPalette dark;
    const QColor window(45, 45, 48), base(30, 30, 30), text(230, 230, 230), disabled(128, 128, 128);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, QColor(38, 79, 120));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Light, QColor(80, 80, 84));
    dark.setColor(QPalette::Midlight, QColor(62, 62, 66));
    dark.setColor(QPalette::Mid, QColor(40, 40, 42));
    dark.setColor(QPalette::Dark, QColor(20, 20, 20));
    dark.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        dark.setColor(QPalette::Disabled, role, disabled);
    return dark;
}

} // namespace

int main(int argc, char* argv[])
{
    bool shown = false, dark = false;
    int hold = 0;
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shown") == 0)
            shown = true;
        else if (std::strcmp(argv[i], "--dark") == 0)
            dark = true;
        else if (std::strcmp(argv[i], "--hold") == 0 && i + 1 < argc)
            hold = std::atoi(argv[++i]);
        else
            paths << QString::fromLocal8Bit(argv[i]);
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "usage: %s [--shown] [--dark] [--hold MS] CORPUS_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    if (!shown)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (dark)
        QApplication::setPalette(DarkPalette());
    const QString corpus = QDir(paths[0]).absolutePath();
    const QString out = QDir(paths[1]).absolutePath();
    QDir().mkpath(out);

    BenchPrompts prompts(out);
    tamsenor::SystemClock clock;
    tamsenor::MainWindow window(prompts, clock);
    if (shown) {
        window.show();
        // Drawn once on the display before the clock starts, as the user sees it.
        QElapsedTimer wait;
        wait.start();
        while (!(window.windowHandle() && window.windowHandle()->isExposed()) && wait.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!window.windowHandle() || !window.windowHandle()->isExposed()) {
            std::fprintf(stderr, "the window was never shown on the display\n");
            return 1;
        }
        Hold(200);
    }

    QStringList files;
    for (const QString& name : QDir(corpus).entryList(QDir::Files | QDir::NoDotAndDotDot))
        files << corpus + QLatin1Char('/') + name;
    // Controls are found by name, as an accessibility client would.
    window.findChild<tamsenor::ListBox*>(QStringLiteral("List2"))->addEntries(files);
    window.findChild<tamsenor::CheckBox*>(QStringLiteral("ChkStrip"))->setChecked(true);
    if (shown)
        Hold(std::max(hold, 100));

    QElapsedTimer timer;
    timer.start();
    window.findChild<QPushButton*>(QStringLiteral("CmdProcess"))->click();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const bool finished = prompts.messages().contains(QStringLiteral("Stripping HTML Tags processing is finished!"));
    std::printf("window strip run (%s): %lld files in %.2f s%s\n", shown ? "shown" : "offscreen",
        static_cast<long long>(files.size()), seconds, finished ? "" : " (the run did not finish)");
    std::fflush(stdout);
    if (shown)
        Hold(hold);
    return finished ? 0 : 1;
}
