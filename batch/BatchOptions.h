#pragma once

#include "batch/BatchRun.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace tamsenor {

// The command line of tamsenor-batch, read into the run's settings.
struct BatchOptions {
    bool help = false;
    bool version = false;
    bool quiet = false; // no progress line, no summary; problems still go to standard error
    bool verbose = false; // one line per file besides the summary (readable text: its encoding)
    QString error; // a usage error; empty when the line is sound
    BatchSettings settings;
    QStringList paths;
    std::optional<QString> filesFrom; // a file naming more PATHs ("-": standard input)
    bool nulSeparated = false; // the names in filesFrom end with NUL, not a line end
    bool recursive = false; // a folder stands for the files of its whole tree
    std::optional<QString> suffix; // only a folder's files with this suffix, as the extension box has it
};

// The names in a --files-from list: one per line (LF or CR LF) or, with
// `nulSeparated`, one per NUL; empty names are passed over. Bytes are kept
// (see LocalBytes), so any name find prints can be used.
QStringList NamesFromList(const std::string& list, bool nulSeparated);

// Reads the arguments after the program name: a command ("strip" or
// "extract"), its options (each "--name VALUE" or "--name=VALUE", anywhere
// among the paths; "--" ends the options) and the paths.
BatchOptions ParseBatchArguments(const QStringList& arguments);

// The --help text.
QString BatchUsage();

} // namespace tamsenor
