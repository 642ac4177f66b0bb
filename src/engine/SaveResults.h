#pragma once

#include "engine/RunHost.h"

#include <QString>

#include <string>

namespace tamsenor {

// Offers to save the run's results table: the save question, then the save
// dialog ("Text Files(*.txt)" preselected) until the user names a file that
// does not exist or agrees to replace it, then the write. A write that fails
// is reported and the dialog comes back; only cancelling it (or No to the
// question) discards the results.
void SaveResults(RunHost& host);

namespace messages {
inline const QString SaveQuestion = QStringLiteral("The processing is finished, do you want to save the results?");
QString ReplaceQuestion(const QString& path);
QString ResultsNotSaved(const QString& path, const std::string& reason);
} // namespace messages

} // namespace tamsenor
