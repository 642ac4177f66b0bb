#pragma once

namespace tamsenor {

// Creates the application and the main window, shows it and runs the event loop.
int RunApplication(int argc, char* argv[]);

} // namespace tamsenor
