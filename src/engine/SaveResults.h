#pragma once

#include "engine/RunHost.h"
#include "engine/SaveWithReplace.h"
#include "results/ResultsExport.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace tamsenor {

// Offers to save the run's results table: the save question, then the save
// dialog ("Text Files(*.txt)" preselected) until the user names a file that
// does not exist or agrees to replace it, then the write. A write that fails
// is reported and the dialog comes back; only cancelling it (or No to the
// question) discards the results.
void SaveResults(RunHost& host);

// The save steps after the question: `dialog` until the user names a file
// that does not exist or agrees to replace it and that is none of `runFiles`
// nor a keyword file in use, then the write in `format`. A write that fails
// is reported and the dialog comes back. Cancelled when the user cancelled the
// dialog (nothing written). SaveResults runs it with the results-file dialog.
SaveOutcome SaveResultsAs(Prompts& prompts, SessionState& session, const RunResults& results,
    const QStringList& runFiles, const FileDialogSetup& dialog, ResultsFormat format,
    const std::function<void()>& yield);

// The dialog of the results file: "Text Files(*.txt)" preselected.
FileDialogSetup ResultsFileDialog();

// Why the results must not go to `path`: it is the same file as one of
// `chosen` (the files of the run) or of `keywordFiles`, whatever names or
// links lead there. Empty when it may take them.
std::string ResultsPathConflict(const QString& path, const QStringList& chosen, const QStringList& keywordFiles);

namespace messages {
inline const QString SaveQuestion = QStringLiteral("The processing is finished, do you want to save the results?");
QString ResultsNotSaved(const QString& path, const std::string& reason);
} // namespace messages

} // namespace tamsenor
