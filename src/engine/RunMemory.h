#pragma once

namespace tamsenor {

// Asks the C library to keep the memory of one file's buffers for the next
// file rather than hand it back to the system after each. Called once, at
// the start of a program that runs, before any thread starts.
void KeepMemoryBetweenFiles();

} // namespace tamsenor
