#pragma once

#include "batch/BatchRun.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <string>

namespace tamsenor {

// The commands of tamsenor-batch, as bits, so that an option can name every
// command that takes it.
enum BatchCommand : unsigned {
    CommandStrip = 1,
    CommandExtract = 2,
    CommandList = 4,
    CommandRecover = 8,
};
constexpr unsigned CommandsRunning = CommandStrip | CommandExtract;
constexpr unsigned CommandsChoosing = CommandStrip | CommandExtract | CommandList; // those that take PATHs
constexpr unsigned CommandsAll = CommandsChoosing | CommandRecover;

// The command line of tamsenor-batch, read into the run's settings.
struct BatchOptions {
    bool help = false;
    bool version = false;
    BatchCommand command = CommandExtract;
    bool quiet = false; // no progress line, no summary; problems still go to standard error
    bool verbose = false; // one line per file besides the summary (readable text: its encoding)
    QString error; // a usage error; empty when the line is sound
    BatchSettings settings;
    QStringList paths;
    std::optional<QString> filesFrom; // a file naming more PATHs ("-": standard input)
    bool nulSeparated = false; // names end with NUL: those of filesFrom, and those list prints
    bool recursive = false; // a folder stands for the files of its whole tree
    std::optional<QString> suffix; // only a folder's files with this suffix, as the extension box has it
    bool resultsToStandardOutput() const { return settings.resultsPath == QLatin1String("-"); }
};

// How the completion offers an option's value.
enum class ValueKind { None, File, Directory, Words, Text };

// One option of tamsenor-batch, declared once: the parser, --help, the man
// page and the bash completion are all made from the table of these.
struct BatchOption {
    const char* name; // the long form without its dashes: "results"
    char shortForm; // '\0' when there is none
    const char* argument; // the value's name in the texts ("FILE"); nullptr for a switch
    ValueKind kind;
    const char* words; // ValueKind::Words: the values, separated by spaces
    unsigned commands; // BatchCommand bits of the commands that take it
    const char* help; // one paragraph; the texts wrap it
    // Stores the value (empty for a switch); returns a usage error, or an empty text.
    QString (*apply)(BatchOptions& options, const QString& value);
};

// Every option, in the order --help shows them.
std::span<const BatchOption> BatchOptionTable();

struct BatchCommandInfo {
    BatchCommand command;
    const char* name; // "strip"
    const char* synopsis; // after "tamsenor-batch strip "
    const char* help; // what it does, one paragraph
};

// Every command, in the order --help shows them.
std::span<const BatchCommandInfo> BatchCommandTable();

// The names in a --files-from list: one per line (LF or CR LF) or, with
// `nulSeparated`, one per NUL; empty names are passed over. Bytes are kept
// (see LocalBytes), so any name find prints can be used.
QStringList NamesFromList(const std::string& list, bool nulSeparated);

// Reads the arguments after the program name: a command, its options and the
// paths. An option is "--name VALUE", "--name=VALUE", or a short form: "-o DIR",
// "-oDIR", and switches bundled as in "-rq" (a short form that takes a value
// ends the bundle: "-rj4", "-rj 4"). Options may stand anywhere among the
// paths; "--" ends them, and "-" is a path.
// Example: { "strip", "-rqo", "out", "pages" } -> strip, recursive, quiet, out "out".
BatchOptions ParseBatchArguments(const QStringList& arguments);

// The --help text.
QString BatchUsage();

// The man page tamsenor-batch(1), in man(7) markup.
QString BatchManPage();

// A bash completion script for tamsenor-batch.
QString BatchBashCompletion();

} // namespace tamsenor
