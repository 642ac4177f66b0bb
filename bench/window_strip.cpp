// Times a strip run done by the real main window (offscreen) over every file of
// a folder, for comparison with `tamsenor-batch strip` on the same files.
// Usage: tamsenor-window-bench CORPUS_DIR OUT_DIR
#include "engine/Clock.h"
#include "engine/Prompts.h"
#include "ui/MainWindow.h"
#include "ui/toolkit/CheckBox.h"
#include "ui/toolkit/ListBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>

#include <cstdio>

namespace {

// Answers as a user who wants the run: OK to every question, the given output folder.
class BenchPrompts : public tamsenor::Prompts {
public:
    explicit BenchPrompts(QString out) : out_(std::move(out)) {}
    tamsenor::Answer message(const QString&, tamsenor::Icon, tamsenor::Buttons buttons, const QString&) override
    {
        return buttons == tamsenor::Buttons::YesNo ? tamsenor::Answer::No : tamsenor::Answer::Ok;
    }
    std::optional<QString> openFile(const tamsenor::FileDialogSetup&) override { return std::nullopt; }
    std::optional<QString> saveFile(const tamsenor::FileDialogSetup&) override { return std::nullopt; }
    QString chooseOutputDirectory() override { return out_; }

private:
    QString out_;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString corpus = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(out);

    BenchPrompts prompts(out);
    tamsenor::SystemClock clock;
    tamsenor::MainWindow window(prompts, clock);

    QStringList paths;
    for (const QString& name : QDir(corpus).entryList(QDir::Files | QDir::NoDotAndDotDot))
        paths << corpus + QLatin1Char('/') + name;
    // Controls are found by name, as an accessibility client would.
    window.findChild<tamsenor::ListBox*>(QStringLiteral("List2"))->addEntries(paths);
    window.findChild<tamsenor::CheckBox*>(QStringLiteral("ChkStrip"))->setChecked(true);

    QElapsedTimer timer;
    timer.start();
    window.findChild<QPushButton*>(QStringLiteral("CmdProcess"))->click();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("window strip run: %lld files in %.2f s\n", static_cast<long long>(paths.size()), seconds);
    return 0;
}
