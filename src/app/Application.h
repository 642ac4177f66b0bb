#pragma once

// Program start (src/app): the window program's entry.

namespace tamsenor {

// Creates the application and the main window, shows it and runs the event loop.
int RunApplication(int argc, char* argv[]);

} // namespace tamsenor
