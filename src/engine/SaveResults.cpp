#include "engine/SaveResults.h"

#include "files/LocalText.h"
#include "io/Files.h"

#include <algorithm>

namespace tamsenor {

QString messages::ResultsNotSaved(const QString& path, const std::string& reason)
{
    return QStringLiteral("The results could not be saved to '") + path + QStringLiteral("': ")
        + FromLocalBytes(reason);
}

std::string ResultsPathConflict(const QString& path, const QStringList& chosen, const QStringList& keywordFiles)
{
    const std::optional<io::FileIdentity> target = io::IdentityOf(LocalBytes(path));
    if (!target)
        return {};
    auto same = [&target](const QString& other) {
        const std::optional<io::FileIdentity> id = io::IdentityOf(LocalBytes(other));
        return id && id->sameFile(*target);
    };
    if (std::any_of(chosen.begin(), chosen.end(), same))
        return "it is one of the files being processed";
    if (std::any_of(keywordFiles.begin(), keywordFiles.end(), same))
        return "it is the keyword file in use";
    return {};
}

FileDialogSetup ResultsFileDialog()
{
    FileDialogSetup dialog; // the window's CommonDialog1
    dialog.filter = TextFileFilter;
    dialog.filterIndex = 2;
    dialog.kind = FileKind::Results;
    return dialog;
}

void SaveResults(RunHost& host)
{
    Prompts& prompts = host.prompts();
    const std::shared_ptr<RunResults> results = host.state().run.results;
    if (prompts.message(messages::SaveQuestion, Icon::None, Buttons::YesNo) != Answer::Yes)
        return;
    if (!results)
        return;
    QStringList chosen;
    for (int i = 0; i < host.chosenCount(); ++i)
        chosen << host.chosenEntry(i);
    SaveResultsAs(
        prompts, host.session(), *results, chosen, ResultsFileDialog(), ResultsFormat::Tsv, [&host] { host.yield(); });
}

SaveOutcome SaveResultsAs(Prompts& prompts, SessionState& session, const RunResults& results,
    const QStringList& runFiles, const FileDialogSetup& dialog, ResultsFormat format,
    const std::function<void()>& yield)
{
    SaveSteps steps;
    steps.dialog = dialog;
    steps.chosen = [&session](const QString& path) { session.resultsSavePath = path; };
    // The run's files and the keyword files in use are never replaced.
    steps.refusal = [&](const QString& path) {
        const std::string conflict
            = ResultsPathConflict(path, runFiles, { session.keywordOpenPath, session.keywordSavePath });
        return conflict.empty() ? QString() : messages::ResultsNotSaved(path, conflict);
    };
    steps.write = [&](const QString& path) { return WriteResultsToFile(results, format, LocalBytes(path), yield); };
    steps.notSaved = messages::ResultsNotSaved;
    return SaveWithReplaceQuestion(prompts, steps);
}

} // namespace tamsenor
