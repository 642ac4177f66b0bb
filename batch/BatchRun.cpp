#include "batch/BatchRun.h"

#include "files/DirectoryFiles.h"

#include "engine/ExtractionRun.h"
#include "files/LocalText.h"
#include "engine/PrepareRun.h"

#include "io/Files.h"
#include "io/Paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tamsenor {

QStringList InChosenListOrder(QStringList paths)
{
    // Inserting one by one after the equal entries is a stable sort.
    std::stable_sort(paths.begin(), paths.end(),
        [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    return paths;
}

namespace {

// "/dir/name" of an argument, absolute and cleaned as the directory list
// shows folders; the name itself stays as given (a link is not resolved).
std::optional<std::string> ChosenPathOf(const std::string& argument, std::string& reason)
{
    const std::size_t slash = argument.rfind('/');
    const std::optional<std::string> absolute = io::AbsolutePath(io::DirectoryOf(argument), &reason);
    if (!absolute)
        return std::nullopt;
    // At the root this gives "//name", as the file chooser's join does.
    return *absolute + "/" + argument.substr(slash == std::string::npos ? 0 : slash + 1);
}

} // namespace

namespace {

// Adds the files of the folder `directory` (absolute bytes) by the rules:
// its own, and with `recursive` those of every subfolder, depth first.
bool AddFolder(const std::string& directory, const ChooseRules& rules, QStringList& added, ChosenFiles& chosen)
{
    std::vector<std::string> folders { directory };
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        const std::optional<QStringList> names = OrdinaryFilesOf(FromLocalBytes(folder));
        if (!names) {
            if (folder == directory)
                return false;
            chosen.notes << QStringLiteral("the folder '%1' cannot be listed; its files are left out")
                                .arg(FromLocalBytes(folder));
            continue;
        }
        const QString prefix = FromLocalBytes(folder) + QLatin1Char('/');
        for (const QString& name : *names) {
            if (!rules.accept || rules.accept(name))
                added << prefix + name;
        }
        if (!rules.recursive)
            continue;
        const auto subfolders = io::ListDirectory(folder, io::EntryKind::Directory, false);
        if (!subfolders)
            continue;
        // Reverse order on the stack: the walk visits them in listing order.
        for (auto name = subfolders->rbegin(); name != subfolders->rend(); ++name) {
            const std::string path = (folder == "/" ? "" : folder) + "/" + *name;
            struct stat info { };
            if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                folders.push_back(path);
        }
    }
    return true;
}

} // namespace

ChosenFiles ChooseFiles(const QStringList& arguments, const ChooseRules& rules)
{
    ChosenFiles chosen;
    QStringList added;
    for (const QString& argument : arguments) {
        const std::string bytes = LocalBytes(argument);
        struct stat info { };
        if (bytes.empty() || ::stat(bytes.c_str(), &info) != 0) {
            // Only a path that names nothing "does not exist"; a path too long
            // to be looked up, or behind a folder that cannot be entered, says so.
            const int code = bytes.empty() ? ENOENT : errno;
            if (code == ENAMETOOLONG)
                chosen.problems << QStringLiteral("'%1' cannot be looked up: it is longer than the system allows (a "
                                                  "name may have at most %2 bytes, a path %3)")
                                       .arg(argument)
                                       .arg(NAME_MAX)
                                       .arg(PATH_MAX - 1);
            else if (code == ENOENT || code == ENOTDIR)
                chosen.problems << QStringLiteral("'%1' does not exist").arg(argument);
            else
                chosen.problems << QStringLiteral("'%1' cannot be looked up: %2")
                                       .arg(argument, FromLocalBytes(io::ErrorText(code)));
            continue;
        }
        std::string reason;
        const QString noWorkingFolder
            = QStringLiteral("the working folder cannot be used (%1); give '%2' as an absolute path");
        if (S_ISDIR(info.st_mode)) {
            const std::optional<std::string> directory = io::AbsolutePath(bytes, &reason);
            if (!directory)
                chosen.problems << noWorkingFolder.arg(FromLocalBytes(reason), argument);
            else if (!AddFolder(*directory, rules, added, chosen))
                chosen.problems << QStringLiteral("the directory '%1' cannot be listed").arg(argument);
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            chosen.problems << QStringLiteral("'%1' is not an ordinary file").arg(argument);
            continue;
        }
        if (::access(bytes.c_str(), R_OK) != 0) {
            chosen.problems << QStringLiteral("'%1' cannot be read: %2").arg(argument, FromLocalBytes(io::ErrorText(errno)));
            continue;
        }
        const std::optional<std::string> path = ChosenPathOf(bytes, reason);
        if (!path) {
            chosen.problems << noWorkingFolder.arg(FromLocalBytes(reason), argument);
            continue;
        }
        added << FromLocalBytes(*path);
    }
    chosen.paths = InChosenListOrder(std::move(added));
    return chosen;
}

namespace {

BatchRunResult Rejected(const QString& why)
{
    BatchRunResult report;
    report.status = BatchRunResult::Status::Rejected;
    report.error = why;
    return report;
}

BatchRunResult Cancelled(std::vector<QString> notes = {})
{
    BatchRunResult report;
    report.status = BatchRunResult::Status::Cancelled;
    report.notes = std::move(notes);
    return report;
}

// Why the checks refused the run, in the companion's words: the window's
// messages point to its own controls.
QString RefusalText(const PrepareRunResult& outcome, const BatchSettings& settings)
{
    const QString file = settings.keywordFile.value_or(QString());
    const QString keyword = FromLocalBytes(outcome.keyword);
    switch (outcome.refusal) {
    case Refusal::None:
    case Refusal::Cancelled:
        break;
    case Refusal::NoSetting:
        return QStringLiteral("there is nothing to collect: give --web, --email or --keywords");
    case Refusal::NoKeyword:
        return QStringLiteral("the keyword file '%1' holds no keywords").arg(file);
    case Refusal::DuplicateKeyword:
        return QStringLiteral("two keywords in the keyword file '%1' are both named '%2'; keyword names must be unique")
            .arg(file, keyword);
    case Refusal::BuiltInColumn:
        return QStringLiteral("the keyword '%1' in the keyword file '%2' has the name of a built-in column; rename it "
                              "in the keyword file")
            .arg(keyword, file);
    case Refusal::UnnamedKeyword:
        return QStringLiteral("the keyword file '%1' holds a keyword without a name (an empty line, or a line that "
                              "starts with a tab); remove it or give it a name")
            .arg(file);
    case Refusal::UnreadablePositions:
        return QStringLiteral("the positions of the keyword '%1' in the keyword file '%2' cannot be read: its Position "
                              "field (after the first tab) must be whole numbers separated by commas")
            .arg(keyword, file);
    }
    return outcome.message;
}

BatchRunResult StripRun(BatchHost& host, const BatchSettings& settings)
{
    MainState& state = host.state();
    state.settings.strip = true;
    state.settings.readable = settings.readable;
    state.settings.mainText = settings.readable && settings.mainText;
    host.setStripChecked(true);
    state.run.stripOutputFiles = QStringList { QString() };

    const PrepareRunResult prepared = PrepareRun(host);
    if (prepared.refusal == Refusal::Cancelled)
        return Cancelled();
    if (prepared.refused())
        return Rejected(RefusalText(prepared, BatchSettings {}));
    if (host.session().stripOutputDir.isEmpty())
        return Rejected(QStringLiteral("no output directory was given"));

    BatchRunResult report;
    StripRunResult run = StripFiles(host);
    for (const io::RolledBackRun& earlier : run.rolledBack)
        report.notes.push_back(messages::EarlierRunsRolledBack({ earlier }).replace(QStringLiteral("\r\n"), QStringLiteral("\n  ")));
    if (!run.folderProblem.isEmpty()) {
        BatchRunResult rejected = Rejected(QStringLiteral("the output directory '%1' cannot be written: %2")
                                            .arg(host.session().stripOutputDir, run.folderProblem));
        rejected.notes = report.notes;
        return rejected;
    }
    if (run.outcome == text::Outcome::Cancelled) {
        report.undo = UndoStripOutputs(run);
        report.status = BatchRunResult::Status::Cancelled;
        return report;
    }
    FinishStripOutputs(run);
    if (!run.folderLost.isEmpty()) {
        report.status = BatchRunResult::Status::Failed;
        report.error = QStringLiteral("the output directory '%1' could not be written any more (%2); the run stopped "
                                      "at '%3' and the files before it were converted")
                           .arg(host.session().stripOutputDir, run.folderLost, run.stoppedAt);
        return report;
    }
    if (!run.notDurable.isEmpty()) {
        report.status = BatchRunResult::Status::NotDurable;
        report.error = messages::OutputsNotDurable(host.session().stripOutputDir, run.notDurable);
    }
    for (const QString& output : state.run.stripOutputFiles) {
        if (!output.isEmpty())
            report.written << output;
    }
    report.skipped = run.skipped;
    report.encodings = run.encodings;
    return report;
}

// Sorts the outcomes of the extraction loop into skipped files and notes.
void SortFileOutcomes(const std::vector<FileOutcome>& outcomes, BatchRunResult& report)
{
    for (const FileOutcome& outcome : outcomes) {
        switch (outcome.kind) {
        case FileOutcome::Kind::Unreadable:
        case FileOutcome::Kind::OutOfMemory:
            report.skipped.push_back({ outcome.path, FromLocalBytes(outcome.reason) });
            break;
        case FileOutcome::Kind::NotText:
            report.skipped.push_back({ outcome.path, QStringLiteral("it cannot be read as text to its end") });
            break;
        case FileOutcome::Kind::Truncated:
            report.notes.push_back(outcome.path
                + QStringLiteral(": too large, only its first %1 bytes were processed").arg(MaxTextLength));
            break;
        case FileOutcome::Kind::FindingsCut:
            report.notes.push_back(
                outcome.path + QStringLiteral(": its findings were cut at %1 bytes").arg(FromLocalBytes(outcome.reason)));
            report.cut = true;
            break;
        }
    }
}

BatchRunResult ExtractionRun(BatchHost& host, const BatchSettings& settings)
{
    MainState& state = host.state();
    SessionState& session = host.session();
    host.setStripChecked(false);
    state.run.stripOutputFiles = QStringList { QString() };
    state.settings.email = settings.email;
    state.settings.website = settings.web;
    state.settings.links = settings.links;
    state.settings.readableExtraction = settings.readable;
    state.settings.mainText = settings.readable && settings.mainText;
    state.settings.keyword = settings.keywordFile.has_value();

    std::vector<QString> keywordNotes;
    if (settings.keywordFile) {
        session.keywordOpenPath = *settings.keywordFile;
        auto keywords = std::make_shared<KeywordFile>(LocalBytes(*settings.keywordFile), [&host] {
            host.yield();
            return !host.state().run.cancelRequested;
        });
        const KeywordLoadResult& load = keywords->loadReport();
        if (load.cancelled)
            return Cancelled();
        if (!load.refusedEncoding.empty())
            return Rejected(QStringLiteral("the keyword file '%1' is %2 text, which cannot be read: save it as UTF-8 "
                                           "(plain text)")
                                .arg(*settings.keywordFile, QString::fromStdString(load.refusedEncoding)));
        if (!load.opened || load.readError)
            return Rejected(QStringLiteral("the keyword file '%1' cannot be read: %2")
                                .arg(*settings.keywordFile, FromLocalBytes(load.reason)));
        if (load.stoppedAtLine > 0)
            keywordNotes.push_back(QStringLiteral("the keyword file '%1' holds a %2 longer than 100 characters on "
                                                  "line %3; only the keywords before it are used")
                                       .arg(*settings.keywordFile,
                                           load.tooLong == KeywordLoadResult::Field::Position
                                               ? QStringLiteral("Position field")
                                               : QStringLiteral("keyword"))
                                       .arg(load.stoppedAtLine));
        session.useKeywords(std::move(keywords));
    }

    const PrepareRunResult prepared = PrepareRun(host);
    if (prepared.refusal == Refusal::Cancelled)
        return Cancelled(keywordNotes);
    if (prepared.refused())
        return Rejected(RefusalText(prepared, settings));

    BatchRunResult report;
    report.notes = keywordNotes;
    const std::shared_ptr<RunResults> results = state.run.results;
    // What outgrows memory waits beside the results file, on the disk that
    // has to take it in the end.
    if (results && !settings.writeResults)
        results->table.spillInto(io::DirectoryOf(LocalBytes(settings.resultsPath)));
    state.settings.fixedProcessTime = settings.processTime;
    const ExtractionRunResult extraction = ExtractChosenFiles(host);
    if (extraction.status == ExtractionRunResult::Status::Cancelled)
        return Cancelled(keywordNotes);
    SortFileOutcomes(host.fileOutcomes(), report);
    if (extraction.status == ExtractionRunResult::Status::ResultsNotKept) {
        report.status = BatchRunResult::Status::ResultsNotSaved;
        report.error = FromLocalBytes(extraction.reason);
        return report;
    }
    if (!results) {
        report.status = BatchRunResult::Status::ResultsNotSaved;
        report.error = QStringLiteral("there is no results table");
        return report;
    }

    session.resultsSavePath = settings.resultsPath;
    // An interrupt stops the write; an earlier results file stays whole.
    const auto yield = [&host] { host.yield(); };
    const FileResult written = settings.writeResults
        ? WriteResults(*results, settings.resultsFormat, settings.writeResults, yield)
        : WriteResultsToFile(*results, settings.resultsFormat, LocalBytes(settings.resultsPath), yield, [&host] {
              host.yield();
              return !host.state().run.cancelRequested;
          });
    if (host.state().run.cancelRequested)
        return Cancelled(report.notes);
    if (!written.ok) {
        report.status = BatchRunResult::Status::ResultsNotSaved;
        report.error = FromLocalBytes(written.reason);
        return report;
    }
    report.written << settings.resultsPath;
    report.findings = results->table.rowCount() > 0 ? results->table.rowCount() - 1 : 0;
    return report;
}

} // namespace

BatchRunResult RunBatch(BatchHost& host, const BatchSettings& settings)
{
    BatchRunResult report;
    try {
        if (host.chosenCount() == 0) {
            host.message(messages::NoFile, Icon::None, Buttons::Ok);
            report = Rejected(messages::NoFile);
        } else if (settings.strip) {
            host.setOutputDirectory(settings.outputDirectory);
            host.setWorkerCount(settings.jobs);
            report = StripRun(host, settings);
        } else {
            host.setWorkerCount(settings.jobs);
            report = ExtractionRun(host, settings);
        }
    } catch (const std::bad_alloc&) {
        // Files that run out of memory are skipped one by one; this is a step
        // of the run itself (a strip run has taken its outputs back).
        report = {};
        report.status = BatchRunResult::Status::OutOfMemory;
    } catch (const std::exception& failure) {
        report = {};
        report.status = BatchRunResult::Status::Failed;
        report.error = FromLocalBytes(failure.what());
    }
    host.reset();
    return report;
}

} // namespace tamsenor
