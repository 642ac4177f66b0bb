#include "engine/ProcessRun.h"

#include "engine/ExtractionRun.h"
#include "files/LocalText.h"
#include "engine/PrepareRun.h"
#include "engine/SaveResults.h"
#include "engine/StripRun.h"

#include <new>

namespace tamsenor {

namespace {

// How a run ended: before any file (refused by a check, or no output folder
// chosen), or after its files were taken up.
enum class RunEnd { BeforeAnyFile, AfterFiles };

// Everything between the start and the end; each return is one way out.
RunEnd Run(RunHost& host)
{
    MainState& state = host.state();
    Prompts& prompts = host.prompts();

    state.run.stripOutputFiles = QStringList { QString() };
    host.setCommandsEnabled(false, false, true);

    if (host.chosenCount() == 0) {
        prompts.message(messages::NoFile, Icon::None, Buttons::Ok);
        return RunEnd::BeforeAnyFile;
    }

    if (PrepareRun(host).refused())
        return RunEnd::BeforeAnyFile;

    if (host.stripChecked()) {
        if (host.session().stripOutputDir.isEmpty())
            return RunEnd::BeforeAnyFile;
        const StripRunResult run = StripFiles(host);
        if (run.outcome == text::Outcome::Cancelled) {
            // Silent, as a cancel is, unless something could not be taken back.
            const std::vector<UndoProblem> problems = UndoStripOutputs(run.outputs, [&host] { host.yield(); });
            if (!problems.empty())
                prompts.message(messages::OutputsNotUndone(problems), Icon::Exclamation, Buttons::Ok);
            return RunEnd::AfterFiles;
        }
        FinishStripOutputs(run.outputs);
        prompts.message(messages::StripFinished, Icon::Information, Buttons::Ok);
        if (!run.notDurable.isEmpty())
            prompts.message(messages::OutputsNotDurable(host.session().stripOutputDir, run.notDurable), Icon::Critical,
                Buttons::Ok);
        if (!run.skipped.empty())
            prompts.message(messages::FilesNotConverted(run.skipped), Icon::Exclamation, Buttons::Ok);
        return RunEnd::AfterFiles;
    }

    const ExtractionRunResult extraction = ExtractChosenFiles(host);
    if (extraction.status == ExtractionRunResult::Status::Cancelled)
        return RunEnd::AfterFiles;
    if (extraction.status == ExtractionRunResult::Status::ResultsNotKept) {
        prompts.message(messages::ResultsNotKept(FromLocalBytes(extraction.folder), extraction.reason), Icon::Critical,
            Buttons::Ok);
        return RunEnd::AfterFiles;
    }
    if (host.showResults())
        return RunEnd::AfterFiles;
    SaveResults(host);
    return RunEnd::AfterFiles;
}

} // namespace

QString messages::RunFailed(const std::string& reason)
{
    return QStringLiteral("The processing could not go on and was stopped: ") + FromLocalBytes(reason);
}

void ProcessChosenFiles(RunHost& host)
{
    RunEnd end = RunEnd::AfterFiles;
    try {
        end = Run(host);
    } catch (const std::bad_alloc&) {
        // Files that run out of memory are reported one by one; this is a
        // step of the run itself, so the run cannot go on.
        host.prompts().message(messages::RunOutOfMemory, Icon::Critical, Buttons::Ok);
    } catch (const std::exception& failure) {
        // Nothing else is known to be thrown; should it be, the user is told
        // (a strip run has taken its outputs back) and the window returns to idle.
        host.prompts().message(messages::RunFailed(failure.what()), Icon::Critical, Buttons::Ok);
    }
    if (end == RunEnd::AfterFiles) {
        host.reset();
        return;
    }
    // Nothing was processed: the user's files, switches and keywords stay as
    // they were, to be put right and run again. Only the run's own traces go.
    MainState& state = host.state();
    state.run.results.reset();
    state.run.cancelRequested = false;
    host.setCommandsEnabled(true, true, false);
}

void CancelProcessing(RunHost& host)
{
    host.state().run.cancelRequested = true;
}

} // namespace tamsenor
