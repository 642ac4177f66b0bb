#pragma once

// The engine layer (src/engine): the processing run, from its checks to its saved outputs, for any host.

#include "engine/RunHost.h"

#include <string>

namespace tamsenor {

// The Process command: checks, the extraction or strip run, saving, and the
// reset after every run that took up its files. A run that ends before any
// file (refused by a check, no output folder chosen) leaves the chosen files,
// switches and keywords as they were, and the commands idle.
void ProcessChosenFiles(RunHost& host);

namespace messages {
inline const QString RunOutOfMemory
    = QStringLiteral("There is not enough memory to go on with the processing; the run was stopped.");
QString RunFailed(const std::string& reason);
} // namespace messages

// The Cancel command: sets run.cancelRequested and nothing else.
void CancelProcessing(RunHost& host);

} // namespace tamsenor
