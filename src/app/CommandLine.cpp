#include "app/CommandLine.h"

namespace tamsenor {

WindowCommandLine ParseWindowArguments(const QStringList& arguments)
{
    WindowCommandLine line;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            line.paths << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return { WindowCommandLine::Action::Help, {}, {} };
        } else if (argument == QLatin1String("--version")) {
            return { WindowCommandLine::Action::Version, {}, {} };
        } else if (line.error.isEmpty()) {
            line.error = QStringLiteral("unknown option '%1'").arg(argument);
        }
    }
    if (!line.error.isEmpty())
        line.action = WindowCommandLine::Action::Error;
    return line;
}

QString WindowUsage()
{
    return QStringLiteral("Usage: tamsenor [OPTION...] [PATH...]\n"
                          "\n"
                          "Opens the Tamsenor window, which strips HTML files to plain text or extracts web\n"
                          "sites, e-mail addresses and keyword values from them. Each PATH goes into the\n"
                          "chosen files as if dropped onto them: a file by itself, a folder by the files\n"
                          "of its tree that match the extension box.\n"
                          "\n"
                          "  -h, --help     show this text\n"
                          "      --version  show the version\n"
                          "\n"
                          "Qt's own options (-platform, -style, ...) are taken too. Without a window,\n"
                          "tamsenor-batch does the same work from the command line.\n");
}

} // namespace tamsenor
