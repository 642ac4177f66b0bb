// tamsenor-batch: the window's strip and extraction runs from the command line.
#include "BatchOptions.h"

#include "batch/BatchRun.h"
#include "files/FilePattern.h"
#include "files/LocalText.h"
#include "engine/RunMemory.h"
#include "engine/SaveResults.h"
#include "io/Files.h"
#include "io/Journal.h"

#include "io/Paths.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tamsenor;

namespace {

constexpr int ExitDone = 0;
constexpr int ExitSkipped = 1;
constexpr int ExitUsage = 2;
constexpr int ExitInterrupted = 130;

// The signal that ends the run, once it has put back what it replaced.
volatile std::sig_atomic_t endingSignal = 0;

void OnEndingSignal(int signal)
{
    if (endingSignal == 0)
        endingSignal = signal;
}

// Every signal that would end the companion outright (Ctrl-C, kill, a closed
// terminal, Ctrl-\\, a reader of its output gone) instead asks the run to stop.
void CatchEndingSignals()
{
    struct sigaction action { };
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : { SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE })
        ::sigaction(signal, &action, nullptr);
}

// The exit status of a run a signal ended: 128 and its number, as a shell
// reports a command a signal ended.
int ExitBySignal()
{
    return endingSignal != 0 ? 128 + endingSignal : ExitInterrupted;
}

void Print(std::FILE* stream, const QString& text)
{
    const std::string bytes = LocalBytes(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

// A command line that does not say what to do: the only error that points to --help.
int UsageError(const QString& why)
{
    Print(stderr, QStringLiteral("tamsenor-batch: ") + why + QStringLiteral("\nTry 'tamsenor-batch --help'.\n"));
    return ExitUsage;
}

// A run refused before it starts (an output place, the keyword file, a list).
int Refused(const QString& why)
{
    Print(stderr, QStringLiteral("tamsenor-batch: ") + why + QLatin1Char('\n'));
    return ExitUsage;
}

// The results, written to standard output as they are made; a failed write
// (a closed pipe, a full disk) is the run's failure to save them.
FileResult WriteToStandardOutput(std::string_view bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        return FileResult::failure(io::ErrorText(errno));
    return FileResult::success();
}

// `list`: the files a run would process, in its order.
void PrintList(const QStringList& paths, bool nulEnded)
{
    for (const QString& path : paths) {
        const std::string bytes = LocalBytes(path);
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fputc(nulEnded ? '\0' : '\n', stdout);
    }
}

int TerminalWidth()
{
    winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10)
        return size.ws_col;
    return 80;
}

// The progress line on a terminal: files done, speed and time left, then the
// file at hand, cut to one line and shown at most ten times a second.
class ProgressLine {
public:
    explicit ProgressLine(const QStringList& files)
        : files_(files)
    {
        started_.start();
    }

    void show(int index, int count, const QString& caption)
    {
        // The bytes of the files before this one are done.
        for (; counted_ < index && counted_ < files_.size(); ++counted_)
            done_ += ChosenFileSize(LocalBytes(files_[counted_])).value_or(0);
        if (index + 1 < count && shown_.isValid() && shown_.elapsed() < 100)
            return;
        shown_.start();
        if (total_ < 0) {
            total_ = 0;
            for (const QString& file : files_)
                total_ += ChosenFileSize(LocalBytes(file)).value_or(0);
        }
        const double seconds = std::max(0.001, started_.elapsed() / 1000.0);
        const double rate = static_cast<double>(done_) / seconds;
        QString line = QStringLiteral("[%1/%2] %3 MB/s").arg(index + 1).arg(count).arg(rate / 1e6, 0, 'f', 1);
        if (done_ > 0 && total_ > done_)
            line += QStringLiteral(", %1 s left").arg(static_cast<double>(total_ - done_) / rate, 0, 'f', 0);
        line += QStringLiteral(" ") + ForDisplay(caption);
        const int width = TerminalWidth() - 1;
        if (line.size() > width)
            line = line.left(width);
        Print(stderr, QStringLiteral("\r\x1b[K") + line);
        std::fflush(stderr);
    }

private:
    const QStringList& files_;
    QElapsedTimer started_;
    QElapsedTimer shown_;
    qsizetype counted_ = 0;
    std::int64_t done_ = 0;
    std::int64_t total_ = -1;
};

// The names a --files-from list holds ("-" reads standard input); a pipe
// given on purpose, as by a shell's process substitution, is read too.
std::optional<QStringList> ReadNameList(const QString& list, bool nulSeparated, QString& why)
{
    const bool standardInput = list == QLatin1String("-");
    std::FILE* file = standardInput ? stdin : std::fopen(LocalBytes(list).c_str(), "rb");
    if (!file) {
        why = QStringLiteral("the list '%1' cannot be read: %2").arg(list, FromLocalBytes(io::ErrorText(errno)));
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    if (!standardInput)
        std::fclose(file);
    if (failed) {
        why = QStringLiteral("the list '%1' cannot be read to its end").arg(list);
        return std::nullopt;
    }
    return NamesFromList(bytes, nulSeparated);
}

// Checks the output places before any work, so a long run cannot end in a
// place it could never write to.
QString PrepareOutputPlaces(BatchSettings& settings)
{
    std::string reason;
    if (settings.strip) {
        const std::string out = LocalBytes(settings.outputDirectory);
        struct stat info { };
        if (::stat(out.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
            return QStringLiteral("--out '%1' is not a directory").arg(settings.outputDirectory);
        // As the output directory dialog returns it: absolute, no trailing "/" but at the root.
        const std::optional<std::string> absolute = io::AbsolutePath(out, &reason);
        if (!absolute)
            return QStringLiteral("the working folder cannot be used (%1); give --out as an absolute path")
                .arg(FromLocalBytes(reason));
        if (!io::MakeDirectories(*absolute, &reason))
            return QStringLiteral("the output directory '%1' cannot be created: %2")
                .arg(settings.outputDirectory, FromLocalBytes(reason));
        settings.outputDirectory = FromLocalBytes(*absolute);
        return {};
    }
    if (settings.writeResults)
        return {};
    const std::string results = LocalBytes(settings.resultsPath);
    struct stat info { };
    if (::stat(results.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return QStringLiteral("--results '%1' is a directory").arg(settings.resultsPath);
    const std::string directory = io::DirectoryOf(results);
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QStringLiteral("the directory of the results file '%1' does not exist").arg(settings.resultsPath);
    // Found now, not after the whole extraction: the write's own first step,
    // its temporary beside the file, given up at once.
    io::ReplacingFile probe;
    if (const FileResult opened = probe.open(results); !opened)
        return QStringLiteral("--results '%1' cannot be written: %2")
            .arg(settings.resultsPath, FromLocalBytes(opened.reason));
    return {};
}

// tamsenor-batch recover DIR: rolls back the journals of strip runs into DIR
// that ended before they settled their outputs, and lists what came back.
int Recover(const QString& folder)
{
    std::vector<io::RolledBackRun> runs;
    std::string reason;
    if (!io::RollBackInterruptedRuns(LocalBytes(folder), runs, &reason))
        return Refused(QStringLiteral("the folder '%1' cannot be read: %2").arg(folder, FromLocalBytes(reason)));
    if (runs.empty()) {
        Print(stdout, QStringLiteral("no interrupted run to take back in %1\n").arg(folder));
        return ExitDone;
    }
    bool allBack = true;
    for (const io::RolledBackRun& run : runs) {
        Print(stdout,
            QStringLiteral("%1: files put back: %2, outputs removed: %3%4\n")
                .arg(FromLocalBytes(run.journal))
                .arg(run.putBack.size())
                .arg(run.removed.size())
                .arg(run.hadFinished ? QStringLiteral(" (the run had finished; its outputs stay)") : QString()));
        for (const std::string& path : run.putBack)
            Print(stdout, QStringLiteral("  put back: ") + FromLocalBytes(path) + QLatin1Char('\n'));
        for (const io::RolledBackRun::Left& left : run.left) {
            allBack = false;
            Print(stdout,
                QStringLiteral("  left as it is: ") + FromLocalBytes(left.path) + QStringLiteral(": ")
                    + FromLocalBytes(left.reason)
                    + (left.kept.empty() ? QString()
                                         : QStringLiteral("; the earlier file is kept as ") + FromLocalBytes(left.kept))
                    + QLatin1Char('\n'));
        }
    }
    return allBack ? ExitDone : ExitSkipped;
}

int Summarise(const BatchSettings& settings, const BatchRunResult& report, int chosen, bool quiet, bool verbose)
{
    // Standard output carries the results when they go there, and nothing else.
    std::FILE* const summary = settings.writeResults ? stderr : stdout;
    for (const QString& note : report.notes)
        Print(stderr, QStringLiteral("tamsenor-batch: note: ") + note + QLatin1Char('\n'));
    switch (report.status) {
    case BatchRunResult::Status::Rejected:
        return Refused(report.error);
    case BatchRunResult::Status::Cancelled:
        if (!settings.strip) {
            Print(stderr, QStringLiteral("tamsenor-batch: interrupted; no results were written\n"));
        } else if (report.undo.problems.empty()) {
            Print(stderr,
                QStringLiteral("tamsenor-batch: interrupted; the outputs of this run were removed (%1) and the files "
                               "they had replaced put back (%2)\n")
                    .arg(report.undo.removed)
                    .arg(report.undo.putBack));
        } else {
            Print(stderr,
                QStringLiteral("tamsenor-batch: interrupted; outputs removed: %1, files they had replaced put back: %2; "
                               "these %3 outputs were left as they are:\n")
                    .arg(report.undo.removed)
                    .arg(report.undo.putBack)
                    .arg(report.undo.problems.size()));
            for (const UndoProblem& problem : report.undo.problems)
                Print(stderr,
                    QStringLiteral("  ") + problem.path + QStringLiteral(": ") + problem.reason
                        + (problem.keptAside.isEmpty()
                                ? QString()
                                : QStringLiteral("; the earlier file is kept as ") + problem.keptAside)
                        + QLatin1Char('\n'));
        }
        return ExitBySignal();
    case BatchRunResult::Status::ResultsNotSaved:
    case BatchRunResult::Status::NotDurable:
    case BatchRunResult::Status::Finished:
    case BatchRunResult::Status::OutOfMemory: // told before the summary
    case BatchRunResult::Status::Failed:
        break;
    }

    const int processed = chosen - static_cast<int>(report.skipped.size());
    if (verbose && !quiet) {
        // A readable strip names the encoding of every page; otherwise the outputs themselves.
        const std::vector<QString> lines = !report.encodings.empty()
            ? report.encodings
            : std::vector<QString>(report.written.begin(), report.written.end());
        for (const QString& line : lines)
            Print(summary, QStringLiteral("  ") + line + QLatin1Char('\n'));
    }
    if (quiet) {
        // The summary's lines are left out; what went wrong is not.
    } else if (settings.strip) {
        Print(summary,
            QStringLiteral("%1 of %2 files stripped into %3\n")
                .arg(report.written.size())
                .arg(chosen)
                .arg(settings.outputDirectory));
    } else if (report.status == BatchRunResult::Status::Finished) {
        Print(summary,
            QStringLiteral("%1 of %2 files searched, %3 findings written to %4\n")
                .arg(processed)
                .arg(chosen)
                .arg(report.findings)
                .arg(settings.writeResults ? QStringLiteral("standard output") : settings.resultsPath));
    }
    if (!report.skipped.empty()) {
        std::FILE* list = quiet ? stderr : summary;
        Print(list, QStringLiteral("%1 files skipped:\n").arg(report.skipped.size()));
        for (const SkippedFile& file : report.skipped)
            Print(list, QStringLiteral("  ") + file.path + QStringLiteral(": ") + file.reason + QLatin1Char('\n'));
    }
    if (report.status == BatchRunResult::Status::ResultsNotSaved) {
        Print(stderr,
            QStringLiteral("tamsenor-batch: the results could not be written to '%1': %2\n")
                .arg(settings.writeResults ? QStringLiteral("standard output") : settings.resultsPath, report.error));
        return ExitSkipped;
    }
    if (report.status == BatchRunResult::Status::NotDurable) {
        Print(stderr, QStringLiteral("tamsenor-batch: ") + report.error + QLatin1Char('\n'));
        return ExitSkipped;
    }
    return report.skipped.empty() && !report.cut ? ExitDone : ExitSkipped;
}

} // namespace

int main(int argc, char** argv)
{
    KeepMemoryBetweenFiles();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << FromLocalBytes(argv[i]);

    BatchOptions options = ParseBatchArguments(arguments);
    if (options.help) {
        Print(stdout, BatchUsage());
        return ExitDone;
    }
    if (options.version) {
        Print(stdout, QStringLiteral("tamsenor-batch " TAMSENOR_VERSION "\n"));
        return ExitDone;
    }
    if (!options.error.isEmpty())
        return UsageError(options.error);
    if (options.command == CommandRecover)
        return Recover(options.paths.front());
    if (options.resultsToStandardOutput())
        options.settings.writeResults = WriteToStandardOutput;
    if (options.filesFrom) {
        QString why;
        const std::optional<QStringList> names = ReadNameList(*options.filesFrom, options.nulSeparated, why);
        if (!names)
            return Refused(why);
        options.paths << *names;
        if (options.paths.isEmpty())
            return Refused(QStringLiteral("the list '%1' names no PATH").arg(*options.filesFrom));
    }
    if (options.settings.jobs == 0)
        options.settings.jobs = static_cast<int>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));

    ChooseRules rules;
    rules.recursive = options.recursive;
    std::optional<FilePattern> pattern;
    if (options.suffix) {
        // The extension box's rule: the suffix, after "*.", as one pattern.
        pattern = FilePattern::parse(QStringLiteral("*.") + SuffixFromExtensionBox(*options.suffix));
        if (!pattern)
            return UsageError(QStringLiteral("--suffix '%1' cannot name files").arg(*options.suffix));
        rules.accept = [&pattern](const QString& name) { return pattern->matches(name); };
    }
    const ChosenFiles chosen = ChooseFiles(options.paths, rules);
    // As cp and grep do: what names nothing is told, the rest is processed, and the status says so.
    for (const QString& problem : chosen.problems)
        Print(stderr, QStringLiteral("tamsenor-batch: ") + problem + QLatin1Char('\n'));
    const int chosenStatus = chosen.problems.isEmpty() ? ExitDone : ExitSkipped;
    for (const QString& note : chosen.notes)
        Print(stderr, QStringLiteral("tamsenor-batch: note: ") + note + QLatin1Char('\n'));
    if (options.command == CommandList) {
        PrintList(chosen.paths, options.nulSeparated);
        return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? chosenStatus : ExitSkipped;
    }
    if (chosen.paths.isEmpty() && !chosen.problems.isEmpty())
        return ExitSkipped; // nothing left to process; each PATH was named above
    if (const QString problem = PrepareOutputPlaces(options.settings); !problem.isEmpty())
        return Refused(problem);
    if (!options.settings.strip && !options.settings.writeResults) {
        const QStringList keywordFiles
            = options.settings.keywordFile ? QStringList { *options.settings.keywordFile } : QStringList {};
        if (const std::string conflict = ResultsPathConflict(options.settings.resultsPath, chosen.paths, keywordFiles);
            !conflict.empty())
            return Refused(QStringLiteral("--results '%1' cannot take the results: %2")
                               .arg(options.settings.resultsPath, FromLocalBytes(conflict)));
    }

    CatchEndingSignals();
    BatchHost host(chosen.paths);
    host.interrupted = [] { return endingSignal != 0; };
    const bool terminal = !options.quiet && ::isatty(STDERR_FILENO) == 1;
    ProgressLine progress(chosen.paths);
    if (terminal)
        host.onFile
            = [&progress](int index, int count, const QString& caption) { progress.show(index, count, caption); };

    const BatchRunResult report = RunBatch(host, options.settings);
    if (report.status == BatchRunResult::Status::OutOfMemory) {
        // Files that run out of memory are skipped one by one; this is what is left.
        Print(stderr, QStringLiteral("\ntamsenor-batch: there is not enough memory to go on\n"));
        return ExitSkipped;
    }
    if (report.status == BatchRunResult::Status::Failed) {
        Print(stderr, QStringLiteral("\ntamsenor-batch: the run could not go on: ") + report.error + QLatin1Char('\n'));
        return ExitSkipped;
    }
    if (terminal) {
        Print(stderr, QStringLiteral("\r\x1b[K"));
        std::fflush(stderr);
    }
    const int status
        = Summarise(options.settings, report, static_cast<int>(chosen.paths.size()), options.quiet, options.verbose);
    return status == ExitDone ? chosenStatus : status;
}
