#include "engine/StripRun.h"

#include "engine/HostHook.h"
#include "files/LocalText.h"
#include "engine/RunProgress.h"
#include "engine/ReadAheadPool.h"
#include "io/Files.h"
#include "markup/ReadableText.h"
#include "text/StripTags.h"

#include <QSet>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <utility>

namespace tamsenor {

namespace {

// The chosen files of the run, by device and inode, so that an output path
// that names one of them (by another name, through a link or a linked
// folder) is recognised. Looked up only when an output's path names an
// existing file: until then no output can have replaced a chosen one.
class ChosenFileSet {
public:
    explicit ChosenFileSet(const RunHost& host)
        : host_(host)
    {
    }
    bool contains(const io::FileIdentity& id)
    {
        if (!files_) {
            files_.emplace();
            for (int i = 0; i < host_.chosenCount(); ++i) {
                if (const auto chosen = io::IdentityOf(LocalBytes(host_.chosenEntry(i))))
                    files_->insert({ chosen->device, chosen->inode });
            }
        }
        return files_->count({ id.device, id.inode }) > 0;
    }

private:
    const RunHost& host_;
    std::optional<std::set<std::pair<std::uint64_t, std::uint64_t>>> files_;
};

// Why the output cannot have this path: a name or a path longer than the
// system allows is told as what it is, not as a failure of the input.
std::string OutputPathProblem(const std::string& output)
{
    const std::size_t slash = output.rfind('/');
    const std::size_t name = output.size() - (slash == std::string::npos ? 0 : slash + 1);
    if (name > NAME_MAX)
        return "its output name '" + output.substr(output.size() - name) + "' is too long (" + std::to_string(name)
            + " bytes; a name may have at most " + std::to_string(NAME_MAX) + ")";
    if (output.size() >= PATH_MAX)
        return "its output path is too long (" + std::to_string(output.size()) + " bytes; a path may have at most "
            + std::to_string(PATH_MAX - 1) + ")";
    return {};
}

} // namespace

namespace {

void StripFilesInto(RunHost& host, StripRunResult& run)
{
    MainState& state = host.state();
    const QString directory = host.session().stripOutputDir;
    HostHook hook(host);
    const int count = host.chosenCount();
    // Raised as an extraction run raises it: with the integer part of
    // 100 / count, a run of more than 100 files would never move the bar.
    const double step = OverallProgressStep(count);
    ChosenFileSet chosen(host);
    QSet<QString> written(state.run.stripOutputFiles.begin(), state.run.stripOutputFiles.end());
    // By name, and by device and inode: a link in the output folder may lead
    // one output's name to another output of the run.
    std::set<std::pair<std::uint64_t, std::uint64_t>> writtenFiles;
    auto taken = [&](const QString& path) {
        if (written.contains(path))
            return true;
        const auto id = io::IdentityOf(LocalBytes(path));
        return id && (writtenFiles.count({ id->device, id->inode }) > 0 || chosen.contains(*id));
    };
    // Reserved, so that recording an output can never fail after it replaced a file.
    run.outputs.reserve(static_cast<std::size_t>(count));

    // A run that ended before it settled its outputs (a crash, kill -9) is
    // taken back before this one writes anything; then this run's journal,
    // which also proves before the first file that the folder can be written.
    io::RollBackInterruptedRuns(LocalBytes(directory), run.rolledBack);
    auto journal = std::make_shared<io::Journal>();
    if (const FileResult created = journal->create(LocalBytes(directory)); !created) {
        run.folderProblem = FromLocalBytes(created.reason);
        return;
    }
    run.journal = journal;
    // Later outputs go into this folder wherever it is moved.
    const io::OpenFolder folder(LocalBytes(directory));
    const OutputPlace place { folder.fd(), journal.get() };

    // More threads read and strip ahead; this one keeps the order of
    // everything the user sees, and alone names and writes the outputs.
    const std::unique_ptr<ReadAheadPool> workers
        = StartWorkers(host, ReadAheadPool::Mode::Strip, MaxTextLength, LocalBytes(directory), place);
    auto cancelled = [&run] { run.outcome = text::Outcome::Cancelled; };
    auto keepWaiting = [&hook] { return hook.keepWaiting(); };

    for (int i = 0; i < count; ++i) {
        host.yield();
        if (state.run.cancelRequested)
            return cancelled();
        RaiseOverallProgress(host, step);

        const QString path = host.chosenEntry(i);
        const std::string input = LocalBytes(path);
        std::string reason;
        StripFileResult file;
        const auto size = ChosenFileSize(input, &reason);
        if (size) {
            host.setProgressCaption(ProgressCaption(path, size));
            host.setRunPlace(i + 1, count);
            state.run.textBuffer.clear();
            host.setFileProgress(0.0f);
        }
        std::optional<ReadAheadPool::Prepared> prepared;
        if (workers && !(prepared = workers->take(static_cast<std::size_t>(i), keepWaiting)))
            return cancelled();
        if (size) {
            const QString output = StripOutputPath(directory, path, taken);
            const std::string pathProblem = OutputPathProblem(LocalBytes(output));
            try {
                if (!pathProblem.empty()) {
                    file.reason = pathProblem;
                } else {
                    if (!prepared) {
                        // Alone, this thread prepares the file as a worker would.
                        prepared.emplace();
                        prepared->result = PrepareStripText(input, prepared->text, hook, MaxTextLength,
                            state.settings.readable, state.settings.readable && state.settings.mainText);
                    }
                    for (const float value : prepared->progress)
                        host.setFileProgress(value);
                    file = std::move(prepared->result);
                    state.run.textBuffer.swap(prepared->text);
                    const std::string outputBytes = LocalBytes(output);
                    const std::string encoding = file.encoding;
                    if (file.written && prepared->output && prepared->outputPath == outputBytes) {
                        // Written ahead under the very name chosen here: only the commit is left.
                        file = CommitStripOutput(*prepared->output);
                    } else if (file.written) {
                        file = WriteStripOutput(outputBytes, state.run.textBuffer, hook, place);
                    }
                    file.encoding = encoding;
                }
            } catch (const std::bad_alloc&) {
                file = {};
                file.reason = NotEnoughMemoryToConvert;
            }
            if (file.outcome == text::Outcome::Cancelled)
                return cancelled();
            if (file.written) {
                state.run.stripOutputFiles.append(output);
                run.outputs.push_back(file.replacement);
                written.insert(output);
                writtenFiles.insert({ file.replacement.written.device, file.replacement.written.inode });
                if (state.settings.readable)
                    run.encodings.push_back(path + QStringLiteral(": ") + FromLocalBytes(file.encoding));
                host.yield();
            }
            reason = file.reason;
            if (!file.written && file.outcome != text::Outcome::Cancelled) {
                // A folder that vanished or turned read-only fails every file
                // after: said once, and the run ends with what it wrote.
                if (const std::string lost = folder.writeProblem(); !lost.empty()) {
                    run.folderLost = FromLocalBytes(lost);
                    run.stoppedAt = path;
                    break;
                }
            }
        }
        if (!file.written)
            run.skipped.push_back({ path, FromLocalBytes(reason) });

        if (state.run.cancelRequested)
            return cancelled();
    }

    // One sync for every new output, before the run says it is finished.
    if (!run.outputs.empty()) {
        if (const FileResult synced = folder.syncFileSystem(); !synced)
            run.notDurable = FromLocalBytes(synced.reason);
    }
    host.setFileProgress(0.0f);
    host.setOverallProgress(0.0f);
    host.clearChosen();
}

} // namespace

StripRunResult StripFiles(RunHost& host)
{
    StripRunResult run;
    try {
        StripFilesInto(host, run);
    } catch (...) {
        // A run that cannot go on takes back what it wrote, as a cancelled one
        // does, so that no replaced file stays hidden beside its output.
        UndoStripOutputs(run);
        throw;
    }
    return run;
}

void FinishStripOutputs(const std::vector<io::Replacement>& outputs)
{
    for (const io::Replacement& output : outputs)
        io::DiscardKeptAside(output);
}

void FinishStripOutputs(StripRunResult& run)
{
    // Done before any kept file goes: a crash in between finishes the letting
    // go, it never takes the outputs back half.
    if (run.journal)
        run.journal->finished();
    FinishStripOutputs(run.outputs);
    if (run.journal)
        run.journal->remove();
}

UndoReport UndoStripOutputs(StripRunResult& run, const std::function<void()>& yield)
{
    UndoReport undo;
    undo.problems = UndoStripOutputs(run.outputs, yield);
    // Counted from what was there to take back, less what could not be.
    std::set<std::string> left;
    for (const UndoProblem& problem : undo.problems)
        left.insert(LocalBytes(problem.path));
    for (const io::Replacement& output : run.outputs) {
        if (left.count(output.target) > 0)
            continue;
        if (output.keptAside.empty())
            ++undo.removed;
        else
            ++undo.putBack;
    }
    if (run.journal)
        run.journal->remove();
    return undo;
}

std::vector<UndoProblem> UndoStripOutputs(
    const std::vector<io::Replacement>& outputs, const std::function<void()>& yield)
{
    // Thousands of outputs take a noticeable while: let the window repaint now and then.
    constexpr int YieldEvery = 64;
    std::vector<UndoProblem> problems;
    int count = 0;
    for (auto output = outputs.rbegin(); output != outputs.rend(); ++output) {
        if (const FileResult undone = io::UndoReplacement(*output); !undone)
            problems.push_back(
                { FromLocalBytes(output->target), FromLocalBytes(undone.reason), FromLocalBytes(output->keptAside) });
        if (yield && ++count % YieldEvery == 0)
            yield();
    }
    return problems;
}

QString messages::FilesNotConverted(const std::vector<SkippedFile>& skipped)
{
    constexpr std::size_t MaxListed = 20;
    QString text = QStringLiteral("These files could not be converted:");
    for (std::size_t i = 0; i < skipped.size() && i < MaxListed; ++i)
        text += QStringLiteral("\r\n") + skipped[i].path + QStringLiteral(": ") + skipped[i].reason;
    if (skipped.size() > MaxListed)
        text += QStringLiteral("\r\n... and %1 more").arg(skipped.size() - MaxListed);
    return text;
}

QString messages::OutputsNotDurable(const QString& directory, const QString& reason)
{
    return QStringLiteral("The outputs in '") + directory + QStringLiteral("' may not all be on the disk yet: ")
        + reason;
}

QString messages::OutputsNotUndone(const UndoReport& undo)
{
    return QStringLiteral("The cancelled run was taken back as far as it could be (its outputs removed: %1, files "
                          "put back: %2).\r\n")
               .arg(undo.removed)
               .arg(undo.putBack)
        + OutputsNotUndone(undo.problems);
}

QString messages::OutputFolderLost(const QString& directory, const QString& reason, const QString& stoppedAt)
{
    return QStringLiteral("The output directory '") + directory + QStringLiteral("' could not be written any more (")
        + reason + QStringLiteral("); the run stopped at '") + stoppedAt
        + QStringLiteral("' and the files before it were converted.");
}

QString messages::OutputFolderNotWritable(const QString& directory, const QString& reason)
{
    return QStringLiteral("The output directory '") + directory + QStringLiteral("' cannot be written: ") + reason;
}

QString messages::EarlierRunsRolledBack(const std::vector<io::RolledBackRun>& runs)
{
    QString text;
    for (const io::RolledBackRun& run : runs) {
        if (!text.isEmpty())
            text += QStringLiteral("\r\n");
        text += run.hadFinished
            ? QStringLiteral("An earlier run ended after it had finished, before it let go of the files its outputs "
                             "replaced; they were let go now (%1).")
                  .arg(FromLocalBytes(run.journal))
            : QStringLiteral("An earlier run into this folder ended before it finished (%1); it was taken back "
                             "first (files put back: %2, its outputs removed: %3).")
                  .arg(FromLocalBytes(run.journal))
                  .arg(run.putBack.size())
                  .arg(run.removed.size());
        for (const std::string& path : run.putBack)
            text += QStringLiteral("\r\nput back: ") + FromLocalBytes(path);
        for (const io::RolledBackRun::Left& left : run.left) {
            text += QStringLiteral("\r\nleft as it is: ") + FromLocalBytes(left.path) + QStringLiteral(": ")
                + FromLocalBytes(left.reason);
            if (!left.kept.empty())
                text += QStringLiteral(" (the earlier file is kept as ") + FromLocalBytes(left.kept)
                    + QStringLiteral(")");
        }
    }
    return text;
}

QString messages::OutputsNotUndone(const std::vector<UndoProblem>& problems)
{
    QString text = QStringLiteral("These outputs of the cancelled run were left as they are:");
    for (const UndoProblem& problem : problems) {
        text += QStringLiteral("\r\n") + problem.path + QStringLiteral(": ") + problem.reason;
        if (!problem.keptAside.isEmpty())
            text += QStringLiteral(" (the earlier file is kept as ") + problem.keptAside + QStringLiteral(")");
    }
    return text;
}

} // namespace tamsenor
