#pragma once

#include "engine/RunHost.h"

#include <QString>
#include <QStringList>

#include <string>

namespace tamsenor {

// Offers to save the run's results table: the save question, then the save
// dialog ("Text Files(*.txt)" preselected) until the user names a file that
// does not exist or agrees to replace it, then the write. A write that fails
// is reported and the dialog comes back; only cancelling it (or No to the
// question) discards the results.
void SaveResults(RunHost& host);

// Why the results must not go to `path`: it is the same file as one of
// `chosen` (the files of the run) or of `keywordFiles`, whatever names or
// links lead there. Empty when it may take them.
std::string ResultsPathConflict(const QString& path, const QStringList& chosen, const QStringList& keywordFiles);

namespace messages {
inline const QString SaveQuestion = QStringLiteral("The processing is finished, do you want to save the results?");
QString ReplaceQuestion(const QString& path);
QString ResultsNotSaved(const QString& path, const std::string& reason);
} // namespace messages

} // namespace tamsenor
