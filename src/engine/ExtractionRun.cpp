#include "engine/ExtractionRun.h"

#include "engine/HostHook.h"
#include "files/LocalText.h"
#include "engine/ResultsRowSink.h"
#include "engine/RunProgress.h"
#include "engine/ReadAheadPool.h"
#include "markup/MarkupLinks.h"
#include "markup/ReadableText.h"
#include "text/StripTags.h"

#include <QDir>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

namespace tamsenor {

QString messages::FileHasProblem(const QString& path, const std::string& reason)
{
    return QStringLiteral("The file '") + path + QStringLiteral("' has problem: ") + FromLocalBytes(reason)
        + QStringLiteral(",\r\n So, it can not be processed!");
}

QString messages::FileTooLarge(const QString& path)
{
    return QStringLiteral("Sorry, the file '") + path + QStringLiteral("' is too large, it will be truncated!");
}

QString messages::FileNotAppropriate(const QString& path)
{
    return QStringLiteral("The file '") + path
        + QStringLiteral("' is not appropriate to be processed, \r\n So, it will be skipped!");
}

QString messages::FindingsCut(const QString& path, const std::string& limit)
{
    return QStringLiteral("The findings of the file '") + path + QStringLiteral("' were cut at ")
        + FromLocalBytes(limit) + QStringLiteral(" bytes.");
}

QString messages::ResultsNotKept(const QString& folder, const std::string& reason)
{
    return QStringLiteral("The results could not be kept in the temporary folder '") + folder + QStringLiteral("': ")
        + FromLocalBytes(reason);
}

namespace {

const std::string NotEnoughMemory = "there is not enough memory to process it";

} // namespace

QString messages::ForFile(const FileOutcome& outcome)
{
    switch (outcome.kind) {
    case FileOutcome::Kind::Truncated:
        return FileTooLarge(outcome.path);
    case FileOutcome::Kind::NotText:
        return FileNotAppropriate(outcome.path);
    case FileOutcome::Kind::FindingsCut:
        return FindingsCut(outcome.path, outcome.reason);
    case FileOutcome::Kind::Unreadable:
    case FileOutcome::Kind::OutOfMemory:
        break;
    }
    return FileHasProblem(outcome.path, outcome.reason);
}

void RunHost::fileOutcome(const FileOutcome& outcome)
{
    prompts().message(messages::ForFile(outcome), Icon::Critical, Buttons::Ok);
}

namespace {

// The bytes one file's findings may take: 64 times the file, at least 1 MiB.
std::size_t FindingsLimit(std::optional<std::int64_t> fileSize)
{
    constexpr std::size_t Least = std::size_t(1) << 20;
    const auto size = static_cast<std::size_t>(std::max<std::int64_t>(fileSize.value_or(0), 0));
    return size > SIZE_MAX / 64 ? SIZE_MAX : std::max(Least, 64 * size);
}

// The pass's view of the run for one file. The keywords are read afresh for
// every file, as the pass reads the keyword table while it works.
text::ExtractSetup SetupFor(RunHost& host, const QString& path)
{
    const MainState& state = host.state();
    const SessionState& session = host.session();
    text::ExtractSetup setup;
    setup.columns = session.columnNames;
    setup.keywordOn = state.settings.keyword;
    if (session.keywords() && setup.keywordOn) {
        const std::vector<KeywordTable::Record>& records = session.keywords()->records();
        setup.keywords.reserve(records.size());
        for (const KeywordTable::Record& record : records)
            setup.keywords.push_back({ record.name, record.position });
    }
    setup.filePath = LocalBytes(path);
    const Clock& clock = host.clock();
    // Asked once per row, while the row is the table's last; the row's
    // moment is kept to the second for the formats programs read. Rows found
    // within the same second share their texts, written once.
    struct Moment {
        QDateTime time;
        std::string text;
        std::string iso;
    };
    setup.processTime = [&clock, fixed = state.settings.fixedProcessTime, results = state.run.results.get(),
                            last = Moment()]() mutable {
        if (fixed)
            return *fixed;
        const QDateTime now = clock.now();
        if (!last.time.isValid() || now != last.time || now.offsetFromUtc() != last.time.offsetFromUtc()) {
            last.time = now;
            last.text = LocalBytes(FormatProcessTime(now));
            last.iso = results ? IsoProcessTime(now) : std::string();
        }
        if (results && results->table.rowCount() > 0)
            results->noteFoundAt(results->table.rowCount() - 1, last.iso);
        return last.text;
    };
    return setup;
}

} // namespace

ExtractionRunResult ExtractChosenFiles(RunHost& host, std::size_t maxLength)
{
    MainState& state = host.state();
    HostHook hook(host);
    // Held for the whole loop, whatever happens to the window's reference.
    const std::shared_ptr<RunResults> results = state.run.results;
    if (results && results->table.spillFolder().empty())
        results->table.spillInto(LocalBytes(QDir::tempPath()));
    const int count = host.chosenCount();
    const double step = OverallProgressStep(count);

    // More threads read and strip ahead; this one keeps the order of every
    // message and progress value, and alone adds rows to the table.
    const std::unique_ptr<ReadAheadPool> workers = StartWorkers(host, ReadAheadPool::Mode::Extraction, maxLength);
    auto keepWaiting = [&hook] { return hook.keepWaiting(); };
    const ReadAheadPool::Options alone = PreparationOptions(host, ReadAheadPool::Mode::Extraction, maxLength);

    for (int i = 0; i < count; ++i) {
        host.yield();
        if (state.run.cancelRequested)
            return { ExtractionRunResult::Status::Cancelled, {}, {} };

        RaiseOverallProgress(host, step);
        const QString path = host.chosenEntry(i);
        const std::string file = LocalBytes(path);
        const std::optional<std::int64_t> fileSize = ChosenFileSize(file);
        host.setProgressCaption(ProgressCaption(path, fileSize));
        host.setRunPlace(i + 1, count);
        state.run.textBuffer.clear();
        host.setFileProgress(0.0f);
        std::optional<ReadAheadPool::Prepared> prepared;
        if (workers && !(prepared = workers->take(static_cast<std::size_t>(i), keepWaiting)))
            return { ExtractionRunResult::Status::Cancelled, {}, {} };

        try {
            if (!prepared) {
                // Alone, this thread prepares the file as a worker would.
                prepared.emplace();
                PrepareExtractionText(file, *prepared, hook, alone);
                if (hook.cancelRequested()) {
                    state.run.textBuffer.swap(prepared->text); // as the cancel left it
                    return { ExtractionRunResult::Status::Cancelled, {}, {} };
                }
            }
            const TextRead read = prepared->read;
            state.run.textBuffer.swap(prepared->text);
            if (read.status == TextRead::Status::Cancelled)
                return { ExtractionRunResult::Status::Cancelled, {}, {} };
            if (read.status == TextRead::Status::NotOpened) {
                host.fileOutcome({ path, FileOutcome::Kind::Unreadable, read.reason });
                continue;
            }
            if (read.truncated)
                host.fileOutcome({ path, FileOutcome::Kind::Truncated, {} });
            if (read.status == TextRead::Status::NotText) {
                host.fileOutcome({ path, FileOutcome::Kind::NotText, {} });
                continue;
            }

            if (!results)
                continue;
            FileExtractionResult outcome;
            text::ExtractSetup setup = SetupFor(host, path);
            setup.findingsLimit = FindingsLimit(fileSize);
            setup.textNormalised = true;
            setup.giveBackText = false;
            for (const float value : prepared->progress)
                host.setFileProgress(value);
            // The links read so far are kept, and the user learns that there were more.
            if (!prepared->failed && !prepared->linksProblem.empty() && prepared->linksProblem != prepared->problem)
                host.fileOutcome({ path, FileOutcome::Kind::Unreadable, prepared->linksProblem });
            if (prepared->failed) {
                outcome.outOfMemory = true;
            } else if (!prepared->problem.empty()) {
                host.fileOutcome({ path, FileOutcome::Kind::Unreadable, prepared->problem });
                continue;
            } else {
                setup.listed = std::move(prepared->listed);
                ResultsRowSink rows(results->table);
                outcome.findings = text::ExtractFindings(state.run.textBuffer, setup, rows, hook);
            }
            if (outcome.findings.outcome == text::Outcome::Cancelled)
                return { ExtractionRunResult::Status::Cancelled, {}, {} };
            if (outcome.outOfMemory) {
                // The user learns that the file was not searched.
                state.run.textBuffer.clear();
                state.run.textBuffer.shrink_to_fit();
                host.fileOutcome({ path, FileOutcome::Kind::OutOfMemory, NotEnoughMemory });
            } else if (!outcome.findings.positionProblem.empty()) {
                // Only a keyword edited mid-run gets here: the run's checks refuse the others.
                host.fileOutcome({ path, FileOutcome::Kind::Unreadable,
                    "a keyword's position list cannot be read: " + outcome.findings.positionProblem });
            } else if (outcome.findings.cut) {
                host.fileOutcome({ path, FileOutcome::Kind::FindingsCut, std::to_string(setup.findingsLimit) });
            }
        } catch (const RowsNotKept& failure) {
            return { ExtractionRunResult::Status::ResultsNotKept, results->table.spillFolder(), failure.what() };
        } catch (const std::bad_alloc&) {
            // The rows the file gave so far stay, as after a failing pass;
            // the user learns that the file was not searched to its end.
            state.run.textBuffer.clear();
            state.run.textBuffer.shrink_to_fit();
            host.fileOutcome({ path, FileOutcome::Kind::OutOfMemory, NotEnoughMemory });
        } catch (const std::exception& failure) {
            // As a worker thread reports it: this file fails, the run goes on.
            host.fileOutcome(
                { path, FileOutcome::Kind::Unreadable, std::string("it could not be converted: ") + failure.what() });
        }
    }
    return { ExtractionRunResult::Status::Finished, {}, {} };
}

} // namespace tamsenor
