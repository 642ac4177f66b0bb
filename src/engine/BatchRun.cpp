#include "engine/BatchRun.h"

#include "engine/DirectoryFiles.h"

#include "engine/ExtractionRun.h"
#include "engine/LocalText.h"
#include "engine/PrepareRun.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tamsenor {

QStringList InChosenListOrder(QStringList paths)
{
    // Inserting one by one after the equal entries is a stable sort.
    std::stable_sort(paths.begin(), paths.end(),
        [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    return paths;
}

namespace {

// The directory part of a chosen path, as the directory list shows it.
QString CleanDirectory(const QString& directory)
{
    return QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
}

} // namespace

ChosenFiles ChooseFiles(const QStringList& arguments)
{
    ChosenFiles chosen;
    QStringList added;
    for (const QString& argument : arguments) {
        const QFileInfo info(argument);
        if (argument.isEmpty() || !info.exists()) {
            chosen.error = QStringLiteral("'%1' does not exist").arg(argument);
            return chosen;
        }
        if (info.isDir()) {
            const std::optional<QStringList> names = OrdinaryFilesOf(argument);
            if (!names) {
                chosen.error = QStringLiteral("the directory '%1' cannot be listed").arg(argument);
                return chosen;
            }
            const QString directory = CleanDirectory(argument);
            for (const QString& name : *names)
                added << directory + QLatin1Char('/') + name;
            continue;
        }
        if (!info.isFile()) {
            chosen.error = QStringLiteral("'%1' is not an ordinary file").arg(argument);
            return chosen;
        }
        added << CleanDirectory(info.path()) + QLatin1Char('/') + info.fileName();
    }
    chosen.paths = InChosenListOrder(std::move(added));
    return chosen;
}

namespace {

BatchReport Rejected(const QString& why)
{
    BatchReport report;
    report.status = BatchReport::Status::Rejected;
    report.error = why;
    return report;
}

BatchReport Cancelled(std::vector<QString> notes = {})
{
    BatchReport report;
    report.status = BatchReport::Status::Cancelled;
    report.notes = std::move(notes);
    return report;
}

// Why the checks refused the run, in the companion's words: the window's
// messages point to its own controls.
QString RefusalText(const PrepareOutcome& outcome, const BatchSettings& settings)
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

BatchReport StripRun(BatchHost& host)
{
    MainState& state = host.state();
    state.StripOn = 1;
    host.setStripChecked(true);
    state.StripOutputFiles = QStringList { QString() };

    const PrepareOutcome prepared = PrepareRun(host);
    if (prepared.refusal == Refusal::Cancelled)
        return Cancelled();
    if (prepared.refused())
        return Rejected(RefusalText(prepared, BatchSettings {}));
    if (host.globals().StripOutputDir.isEmpty())
        return Rejected(QStringLiteral("no output directory was given"));

    BatchReport report;
    const StripRunResult run = StripFiles(host);
    if (run.outcome == text::Outcome::Cancelled) {
        DeleteStripOutputs(state.StripOutputFiles);
        report.status = BatchReport::Status::Cancelled;
        return report;
    }
    for (const QString& output : state.StripOutputFiles) {
        if (!output.isEmpty())
            report.written << output;
    }
    report.skipped = run.skipped;
    return report;
}

// Sorts the messages of the extraction loop into skipped files and notes.
void SortFileMessages(const BatchHost& host, std::size_t first, BatchReport& report)
{
    // The "has problem" message wraps the reason; a marker finds its two ends.
    const QChar marker(0x1);
    for (std::size_t i = first; i < host.messages().size(); ++i) {
        const BatchHost::Message& shown = host.messages()[i];
        const QString path = host.chosen().value(shown.fileIndex);
        const QStringList problem = messages::FileHasProblem(path, "\x01").split(marker);
        if (problem.size() == 2 && shown.text.startsWith(problem[0]) && shown.text.endsWith(problem[1])
            && shown.text.size() >= problem[0].size() + problem[1].size()) {
            const QString reason
                = shown.text.mid(problem[0].size(), shown.text.size() - problem[0].size() - problem[1].size());
            report.skipped.push_back({ path, reason });
        } else if (shown.text == messages::FileNotAppropriate(path)) {
            report.skipped.push_back({ path, QStringLiteral("it cannot be read as text to its end") });
        } else if (shown.text == messages::FileTooLarge(path)) {
            report.notes.push_back(
                path + QStringLiteral(": too large, only its first 2147483647 bytes were processed"));
        } else {
            report.notes.push_back(shown.text);
        }
    }
}

// Puts `text` into the "ProcessTime" column of every finding, as a clock
// showing that text would have.
void FixProcessTime(ResultsTable& table, const std::vector<std::string>& columns, const std::string& text)
{
    const auto column = std::find(columns.begin(), columns.end(), "ProcessTime");
    if (column == columns.end())
        return;
    const std::size_t index = static_cast<std::size_t>(column - columns.begin());
    table.moveFirst();
    if (!table.eof())
        table.moveNext(); // the header row keeps its name
    for (; !table.eof(); table.moveNext()) {
        if (table.value(index))
            table.setValue(index, text);
    }
}

BatchReport ExtractionRun(BatchHost& host, const BatchSettings& settings)
{
    MainState& state = host.state();
    Module1& globals = host.globals();
    host.setStripChecked(false);
    state.StripOutputFiles = QStringList { QString() };
    state.EmailOn = settings.email ? 1 : 0;
    state.WebsiteOn = settings.web ? 1 : 0;
    state.KeywordOn = settings.keywordFile ? 1 : 0;

    std::vector<QString> keywordNotes;
    if (settings.keywordFile) {
        globals.KeywordOpenPath = *settings.keywordFile;
        auto keywords = std::make_shared<clsKeyWord>(LocalBytes(*settings.keywordFile), [&host] {
            host.yield();
            return host.state().CancelRequested != 1;
        });
        const KeywordLoadReport& load = keywords->loadReport();
        if (load.cancelled)
            return Cancelled();
        if (!load.opened || load.readError)
            return Rejected(QStringLiteral("the keyword file '%1' cannot be read: %2")
                                .arg(*settings.keywordFile, FromLocalBytes(load.reason)));
        if (load.stoppedAtLine > 0)
            keywordNotes.push_back(QStringLiteral("the keyword file '%1' holds a value longer than 100 characters on "
                                                  "line %2; only the keywords before it are used")
                                       .arg(*settings.keywordFile)
                                       .arg(load.stoppedAtLine));
        globals.useKeywords(std::move(keywords));
    }

    const PrepareOutcome prepared = PrepareRun(host);
    if (prepared.refusal == Refusal::Cancelled)
        return Cancelled(keywordNotes);
    if (prepared.refused())
        return Rejected(RefusalText(prepared, settings));

    BatchReport report;
    report.notes = keywordNotes;
    const std::shared_ptr<clsWF> results = state.ResultsTable;
    const std::size_t firstMessage = host.messages().size();
    if (ExtractChosenFiles(host) == text::Outcome::Cancelled)
        return Cancelled(keywordNotes);
    SortFileMessages(host, firstMessage, report);
    if (!results) {
        report.status = BatchReport::Status::ResultsNotSaved;
        report.error = QStringLiteral("there is no results table");
        return report;
    }
    if (settings.processTime)
        FixProcessTime(results->rstWF, globals.ColumnNames, *settings.processTime);

    globals.ResultsSavePath = settings.resultsPath;
    const FileResult written = results->WriteToFile(LocalBytes(settings.resultsPath), [&host] { host.yield(); });
    if (!written.ok) {
        report.status = BatchReport::Status::ResultsNotSaved;
        report.error = FromLocalBytes(written.reason);
        return report;
    }
    report.written << settings.resultsPath;
    report.findings = results->rstWF.rowCount() > 0 ? results->rstWF.rowCount() - 1 : 0;
    return report;
}

} // namespace

BatchReport RunBatch(BatchHost& host, const BatchSettings& settings)
{
    BatchReport report;
    if (host.chosenCount() == 0) {
        host.message(messages::NoFile, Icon::None, Buttons::Ok);
        report = Rejected(messages::NoFile);
    } else if (settings.strip) {
        host.setOutputDirectory(settings.outputDirectory);
        report = StripRun(host);
    } else {
        report = ExtractionRun(host, settings);
    }
    host.reset();
    return report;
}

} // namespace tamsenor
