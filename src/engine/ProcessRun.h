#pragma once

#include "engine/RunHost.h"

namespace tamsenor {

// The Process command: checks, the extraction or strip run, saving, and the
// reset after every path out.
void CmdProcess_Click(RunHost& host);

// The Cancel command: sets CancelRequested and nothing else.
void CmdCancel_Click(RunHost& host);

} // namespace tamsenor
