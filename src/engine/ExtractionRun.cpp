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

text::Outcome ExtractFileText(std::string& text, const text::ExtractSetup& setup, ResultsTable& table, text::Hook& hook)
{
    const text::StripResult stripped = text::StripTags(text, hook);
    if (stripped.outcome == text::Outcome::Cancelled)
        return text::Outcome::Cancelled;
    if (stripped.failed)
        throw std::bad_alloc(); // reported per file by the run, as any lack of memory is
    ResultsRowSink rows(table);
    return text::ExtractFindings(text, setup, rows, hook);
}

namespace {

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
    setup.processTime = [&clock, fixed = state.settings.fixedProcessTime] {
        return fixed ? *fixed : LocalBytes(FormatProcessTime(clock.now()));
    };
    return setup;
}

} // namespace

ExtractionEnd ExtractChosenFiles(RunHost& host, std::size_t maxLength)
{
    MainState& state = host.state();
    HostHook hook(host);
    // Held for the whole loop, whatever happens to the window's reference.
    const std::shared_ptr<RunResults> results = state.run.results;
    if (results && results->table.spillFolder().empty())
        results->table.spillInto(LocalBytes(QDir::tempPath()));
    const int count = host.chosenCount();
    const double step = ExtractionProgressStep(count);

    // More threads read and strip ahead; this one keeps the order of every
    // message and progress value, and alone adds rows to the table.
    const std::unique_ptr<ReadAheadPool> workers = StartWorkers(host, ReadAheadPool::Mode::Extraction, maxLength);
    auto keepWaiting = [&hook] { return hook.keepWaiting(); };

    for (int i = 0; i < count; ++i) {
        host.yield();
        if (state.run.cancelRequested)
            return { ExtractionEnd::Status::Cancelled, {}, {} };

        RaiseOverallProgress(host, step);
        const QString path = host.chosenEntry(i);
        const std::string file = LocalBytes(path);
        host.setProgressCaption(ProgressCaption(path, ChosenFileSize(file)));
        state.run.textBuffer.clear();
        host.setFileProgress(0.0f);
        std::optional<ReadAheadPool::Prepared> prepared;
        if (workers && !(prepared = workers->take(static_cast<std::size_t>(i), keepWaiting)))
            return { ExtractionEnd::Status::Cancelled, {}, {} };

        try {
            TextRead read;
            if (prepared) {
                read = prepared->read;
                state.run.textBuffer.swap(prepared->text);
            } else {
                read = ReadChosenFile(file, state.run.textBuffer, maxLength, [&hook] {
                    hook.yield();
                    return !hook.cancelRequested();
                });
            }
            if (read.status == TextRead::Status::Cancelled)
                return { ExtractionEnd::Status::Cancelled, {}, {} };
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
            text::Outcome outcome = text::Outcome::Finished;
            text::ExtractSetup setup = SetupFor(host, path);
            if (prepared) {
                for (const float value : prepared->progress)
                    host.setFileProgress(value);
                if (prepared->failed)
                    throw std::bad_alloc(); // as the stripper's failure is on this thread
                // The links read so far are kept, and the user learns that there were more.
                if (!prepared->linksProblem.empty() && prepared->linksProblem != prepared->problem)
                    host.fileOutcome({ path, FileOutcome::Kind::Unreadable, prepared->linksProblem });
                if (!prepared->problem.empty()) {
                    host.fileOutcome({ path, FileOutcome::Kind::Unreadable, prepared->problem });
                    continue;
                }
                setup.listed = std::move(prepared->listed);
                ResultsRowSink rows(results->table);
                outcome = text::ExtractFindings(state.run.textBuffer, setup, rows, hook);
            } else {
                std::string linksProblem;
                if (state.settings.links) {
                    setup.listed = MarkupColumns(state.run.textBuffer, hook, &linksProblem);
                    if (hook.cancelRequested())
                        return { ExtractionEnd::Status::Cancelled, {}, {} };
                }
                if (state.settings.readableExtraction) {
                    const SourceResult source = PrepareExtractionSource(state.run.textBuffer, true, hook, state.settings.mainText);
                    if (hook.cancelRequested())
                        return { ExtractionEnd::Status::Cancelled, {}, {} };
                    if (!linksProblem.empty() && linksProblem != source.problem)
                        host.fileOutcome({ path, FileOutcome::Kind::Unreadable, linksProblem });
                    if (!source.ok()) {
                        host.fileOutcome({ path, FileOutcome::Kind::Unreadable, source.problem });
                        continue;
                    }
                    ResultsRowSink rows(results->table);
                    outcome = text::ExtractFindings(state.run.textBuffer, setup, rows, hook);
                } else {
                    if (!linksProblem.empty())
                        host.fileOutcome({ path, FileOutcome::Kind::Unreadable, linksProblem });
                    outcome = ExtractFileText(state.run.textBuffer, setup, results->table, hook);
                }
            }
            if (outcome == text::Outcome::Cancelled)
                return { ExtractionEnd::Status::Cancelled, {}, {} };
        } catch (const RowsNotKept& failure) {
            return { ExtractionEnd::Status::ResultsNotKept, results->table.spillFolder(), failure.what() };
        } catch (const text::PositionError&) {
            // Ends this file only, and silently: PrepareRun refused every position
            // list the pass cannot read, so only keywords edited mid-run get here.
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
    return { ExtractionEnd::Status::Finished, {}, {} };
}

} // namespace tamsenor
