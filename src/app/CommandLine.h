#pragma once

#include <QString>
#include <QStringList>

namespace tamsenor {

// What the window program's command line asks for.
struct WindowCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList paths; // files and folders for the chosen files, as if dropped
    QString error; // Action::Error: what is wrong
};

// Reads the arguments after the program's name: --help (-h) and --version
// answer at once, wherever they stand before "--"; any other word starting
// with "-" is an error, unless after "--"; the rest are paths.
// Example: { "a.htm", "--", "-b.htm" } -> Run, paths { "a.htm", "-b.htm" }.
WindowCommandLine ParseWindowArguments(const QStringList& arguments);

// The --help text of the window program.
QString WindowUsage();

} // namespace tamsenor
