#include "BatchOptions.h"

#include "files/LocalText.h"

#include <algorithm>
#include <vector>

namespace tamsenor {

namespace {

QString NoError()
{
    return {};
}

// Each row: long name, short form, argument, completion of the value, the
// commands that take it, the help text and how the value is stored. A new
// option is one row here.
const BatchOption Options[] = {
    { "web", '\0', nullptr, ValueKind::None, nullptr, CommandExtract, "collect web sites (the WebSite column)",
        [](BatchOptions& o, const QString&) {
            o.settings.web = true;
            return NoError();
        } },
    { "email", '\0', nullptr, ValueKind::None, nullptr, CommandExtract, "collect e-mail addresses (the Email column)",
        [](BatchOptions& o, const QString&) {
            o.settings.email = true;
            return NoError();
        } },
    { "links", '\0', nullptr, ValueKind::None, nullptr, CommandExtract,
        "collect the links and mailto addresses written in each file's markup (the Link and MailTo columns, last)",
        [](BatchOptions& o, const QString&) {
            o.settings.links = true;
            return NoError();
        } },
    { "keywords", '\0', "FILE", ValueKind::File, nullptr, CommandExtract,
        "collect the words at the positions of every keyword of the keyword file FILE (one column per keyword)",
        [](BatchOptions& o, const QString& value) {
            o.settings.keywordFile = value;
            return NoError();
        } },
    { "results", '\0', "FILE", ValueKind::File, nullptr, CommandExtract,
        "write the results to FILE, replacing it when it exists; '-' writes them to standard output (the "
        "summary and the progress line go to standard error then; ./- names a file called -)",
        [](BatchOptions& o, const QString& value) {
            o.settings.resultsPath = value;
            return NoError();
        } },
    { "process-time", '\0', "TEXT", ValueKind::Text, nullptr, CommandExtract,
        "write TEXT as every finding's ProcessTime, in every format, instead of the time of the run, for "
        "reproducible results",
        [](BatchOptions& o, const QString& value) {
            o.settings.processTime = LocalBytes(value);
            return NoError();
        } },
    { "format", '\0', "FORMAT", ValueKind::Words, "tsv csv jsonl", CommandExtract,
        "write the results as tsv (the default: the tab-separated results file of the window, ProcessTime as "
        "mmm-d-yy h:mm), csv (UTF-8 with a byte order mark; a value starting with = + - @, tab or CR gets a "
        "leading ') or jsonl (one JSON object per finding, keyed by column name; an empty value is \"\", bytes "
        "that are no UTF-8 are U+FFFD); csv and jsonl write ProcessTime as ISO 8601 with seconds and the UTC "
        "offset (2026-12-08T09:21:05+00:00)",
        [](BatchOptions& o, const QString& value) {
            const std::optional<ResultsFormat> format = ResultsFormatNamed(value.toStdString());
            if (!format)
                return QStringLiteral("--format needs tsv, csv or jsonl, not '%1'").arg(value);
            o.settings.resultsFormat = *format;
            return NoError();
        } },
    { "out", 'o', "DIR", ValueKind::Directory, nullptr, CommandStrip,
        "write the .txt files into DIR (created when missing)",
        [](BatchOptions& o, const QString& value) {
            o.settings.outputDirectory = value;
            return NoError();
        } },
    { "readable", '\0', nullptr, ValueKind::None, nullptr, CommandsRunning,
        "the text as a browser shows it, in UTF-8 with LF line ends: strip writes it (the page's encoding "
        "decided from its byte order mark, its <meta> charset or a detector), extract searches it instead of "
        "the stripped text",
        [](BatchOptions& o, const QString&) {
            o.settings.readable = true;
            return NoError();
        } },
    { "main-text", '\0', nullptr, ValueKind::None, nullptr, CommandsRunning,
        "as --readable, but only the page's main text: its title and article without menus, headers, footers, "
        "sidebars, share and comment widgets, notices and ads (a page with none to find gives its readable "
        "text whole)",
        [](BatchOptions& o, const QString&) {
            o.settings.readable = true;
            o.settings.mainText = true;
            return NoError();
        } },
    { "jobs", 'j', "N", ValueKind::Text, nullptr, CommandsRunning,
        "read and strip files on N threads (default: one per core); the outputs and messages stay those of "
        "one thread, in order",
        [](BatchOptions& o, const QString& value) {
            bool number = false;
            const int jobs = value.toInt(&number);
            if (!number || jobs < 1 || jobs > 1024)
                return QStringLiteral("--jobs needs a whole number from 1 to 1024");
            o.settings.jobs = jobs;
            return NoError();
        } },
    { "quiet", 'q', nullptr, ValueKind::None, nullptr, CommandsRunning, "no progress line and no summary",
        [](BatchOptions& o, const QString&) {
            o.quiet = true;
            return NoError();
        } },
    { "verbose", 'v', nullptr, ValueKind::None, nullptr, CommandsRunning,
        "one line per output besides the summary (with --readable: the encoding each page was read in; with "
        "--main-text also whether its main text or the whole page was written)",
        [](BatchOptions& o, const QString&) {
            o.verbose = true;
            return NoError();
        } },
    { "files-from", '\0', "FILE", ValueKind::File, nullptr, CommandsChoosing,
        "read more PATHs from FILE, one per line ('-': standard input)",
        [](BatchOptions& o, const QString& value) {
            o.filesFrom = value;
            return NoError();
        } },
    { "null", '0', nullptr, ValueKind::None, nullptr, CommandsChoosing,
        "names end with NUL, not a line end: those of the --files-from list, as find -print0 writes them, "
        "and those list prints",
        [](BatchOptions& o, const QString&) {
            o.nulSeparated = true;
            return NoError();
        } },
    { "recursive", 'r', nullptr, ValueKind::None, nullptr, CommandsChoosing,
        "a directory stands for the files of its whole tree (hidden folders and links to folders are not "
        "entered)",
        [](BatchOptions& o, const QString&) {
            o.recursive = true;
            return NoError();
        } },
    { "suffix", '\0', "EXT", ValueKind::Text, nullptr, CommandsChoosing,
        "only a directory's files whose names end in .EXT (letters regardless of case; \"*.html\", \".html\" "
        "and \"html\" alike; \"htm;*.html\" for either); files named as PATHs always count",
        [](BatchOptions& o, const QString& value) {
            o.suffix = value;
            return NoError();
        } },
    { "version", '\0', nullptr, ValueKind::None, nullptr, CommandsAll, "show the version",
        [](BatchOptions& o, const QString&) {
            o.version = true;
            return NoError();
        } },
    { "help", 'h', nullptr, ValueKind::None, nullptr, CommandsAll, "show this text",
        [](BatchOptions& o, const QString&) {
            o.help = true;
            return NoError();
        } },
};

const BatchCommandInfo Commands[] = {
    { CommandStrip, "strip", "-o DIR [OPTION...] PATH...",
        "writes one .txt file per input into DIR: the file name without its dots, then .txt; an existing file "
        "is replaced, and a second input of the same name gets _2, _3, ..." },
    { CommandExtract, "extract",
        "--results FILE [--web] [--email] [--links] [--keywords FILE] [--format FORMAT] [OPTION...] PATH...",
        "writes the findings as a results file, tab-separated unless --format says otherwise; at least one of "
        "--web, --email, --links and --keywords must be given" },
    { CommandList, "list", "[-0] [-r] [--suffix EXT] [--files-from FILE] PATH...",
        "prints the files a strip or extract run of the same PATHs would process, one per line (with -0: each "
        "ended by NUL), in the order of that run; nothing is read or written" },
    { CommandRecover, "recover", "DIR",
        "takes back the strip runs into DIR that ended before they settled their outputs (killed outright, or "
        "the machine stopped): puts back the files they replaced, removes their outputs, and lists what came "
        "back; a later strip run into DIR does the same first" },
};

const char* const Description[] = {
    "Strips HTML files to plain text, or extracts web sites, e-mail addresses and keyword values from them, "
    "exactly as the Tamsenor window does.",
    "A directory among the PATHs stands for its ordinary, non-hidden files (not those of its subdirectories, "
    "unless -r is given). The files are processed in alphabetical order of their full paths, letters compared "
    "without regard to case; list prints that order. A PATH that does not exist or cannot be read is named on "
    "standard error and the others are processed; the exit status is 1 then.",
};

const char* const ExitStatus = "0 when every file was processed, 1 when some were skipped or named nothing to "
                               "process or the results could not be written, 2 for a usage error or a refused "
                               "run, 130 when interrupted.";

QString Long(const BatchOption& option)
{
    return QStringLiteral("--") + QLatin1String(option.name);
}

// The words of `text` in lines of at most `width` characters, each after
// `indent` spaces; a bracketed group ("[--keywords FILE]") stays whole.
QStringList Wrapped(const QString& text, int indent, int width)
{
    QStringList words;
    int depth = 0;
    QString word;
    for (const QChar c : text + QLatin1Char(' ')) {
        depth += c == QLatin1Char('[') ? 1 : c == QLatin1Char(']') ? -1 : 0;
        if (c != QLatin1Char(' ') || depth > 0) {
            word += c;
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
    }
    QStringList lines;
    QString line;
    for (const QString& word : words) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            lines << QString(indent, QLatin1Char(' ')) + line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << QString(indent, QLatin1Char(' ')) + line;
    return lines;
}

// "extract", "strip and extract", "every command": who takes the options of a group.
QString CommandsNamed(unsigned commands)
{
    if (commands == CommandsAll)
        return QStringLiteral("every command");
    QStringList names;
    for (const BatchCommandInfo& command : Commands) {
        if (commands & command.command)
            names << QLatin1String(command.name);
    }
    if (names.size() > 1)
        return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.back();
    return names.join(QString());
}

// The distinct command sets of the table, in the order they first appear.
std::vector<unsigned> OptionGroups()
{
    std::vector<unsigned> groups;
    for (const BatchOption& option : Options) {
        if (std::find(groups.begin(), groups.end(), option.commands) == groups.end())
            groups.push_back(option.commands);
    }
    return groups;
}

const BatchOption* OptionNamed(const QString& longName)
{
    for (const BatchOption& option : Options) {
        if (longName == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

const BatchOption* OptionOfShortForm(QChar shortForm)
{
    for (const BatchOption& option : Options) {
        if (option.shortForm != '\0' && shortForm == QLatin1Char(option.shortForm))
            return &option;
    }
    return nullptr;
}

BatchOptions Failed(BatchOptions options, const QString& error)
{
    options.error = error;
    return options;
}

// A man(7) text: backslashes and hyphens escaped, no line starting with a control character.
QString Roff(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    escaped.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (escaped.startsWith(QLatin1Char('.')) || escaped.startsWith(QLatin1Char('\'')))
        escaped.prepend(QStringLiteral("\\&"));
    return escaped;
}

} // namespace

std::span<const BatchOption> BatchOptionTable()
{
    return Options;
}

std::span<const BatchCommandInfo> BatchCommandTable()
{
    return Commands;
}

QString BatchUsage()
{
    constexpr int Width = 79;
    constexpr int HelpColumn = 24;
    QStringList lines { QStringLiteral("Usage:") };
    for (const BatchCommandInfo& command : Commands) {
        const QString head = QStringLiteral("  tamsenor-batch %1 ").arg(QLatin1String(command.name));
        const QStringList rest = Wrapped(QLatin1String(command.synopsis), static_cast<int>(head.size()), Width);
        lines << head + rest.front().trimmed() << rest.mid(1);
    }
    for (const char* paragraph : Description)
        lines << QString() << Wrapped(QLatin1String(paragraph), 0, Width);
    lines << QString() << QStringLiteral("Commands:");
    for (const BatchCommandInfo& command : Commands) {
        const QStringList help = Wrapped(QLatin1String(command.help), 12, Width);
        lines << QStringLiteral("  %1").arg(QLatin1String(command.name), -10) + help.front().trimmed() << help.mid(1);
    }
    for (const unsigned group : OptionGroups()) {
        lines << QString() << QStringLiteral("Options of %1:").arg(CommandsNamed(group));
        for (const BatchOption& option : Options) {
            if (option.commands != group)
                continue;
            QString label = option.shortForm != '\0' ? QStringLiteral("  -%1, ").arg(QLatin1Char(option.shortForm))
                                                     : QStringLiteral("      ");
            label += Long(option);
            if (option.argument)
                label += QLatin1Char(' ') + QLatin1String(option.argument);
            QStringList help = Wrapped(QString::fromUtf8(option.help), HelpColumn, Width);
            if (label.size() < HelpColumn - 1)
                help.front() = label.leftJustified(HelpColumn) + help.front().trimmed();
            else
                lines << label;
            lines << help;
        }
    }
    lines << QString() << Wrapped(QStringLiteral("Exit status: ") + QLatin1String(ExitStatus), 0, Width);
    lines << QString()
          << Wrapped(QStringLiteral("See tamsenor-batch(1) for examples, and the README for running parts on several "
                                    "machines with GNU parallel."),
                 0, Width);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString BatchManPage()
{
    QStringList page;
    page << QStringLiteral(".TH TAMSENOR-BATCH 1 \"\" \"tamsenor-batch " TAMSENOR_VERSION "\" \"User Commands\"")
         << QStringLiteral(".SH NAME")
         << QStringLiteral("tamsenor-batch \\- strip HTML files to text, or extract web sites, e-mail addresses "
                           "and keyword values from them")
         << QStringLiteral(".SH SYNOPSIS");
    for (const BatchCommandInfo& command : Commands) {
        page << QStringLiteral(".B tamsenor-batch %1").arg(QLatin1String(command.name))
             << Roff(QLatin1String(command.synopsis)) << QStringLiteral(".br");
    }
    page << QStringLiteral(".SH DESCRIPTION");
    for (const char* paragraph : Description)
        page << QStringLiteral(".PP") << Roff(QLatin1String(paragraph));
    page << QStringLiteral(".SH COMMANDS");
    for (const BatchCommandInfo& command : Commands)
        page << QStringLiteral(".TP") << QStringLiteral(".B %1").arg(QLatin1String(command.name))
             << Roff(QLatin1String(command.help));
    page << QStringLiteral(".SH OPTIONS");
    for (const unsigned group : OptionGroups()) {
        page << QStringLiteral(".SS \"Options of %1\"").arg(CommandsNamed(group));
        for (const BatchOption& option : Options) {
            if (option.commands != group)
                continue;
            QString label;
            if (option.shortForm != '\0')
                label = QStringLiteral("\\fB\\-%1\\fR, ").arg(QLatin1Char(option.shortForm));
            label += QStringLiteral("\\fB") + Roff(Long(option)) + QStringLiteral("\\fR");
            if (option.argument)
                label += QStringLiteral(" \\fI%1\\fR").arg(QLatin1String(option.argument));
            page << QStringLiteral(".TP") << label << Roff(QString::fromUtf8(option.help));
        }
    }
    page << QStringLiteral(".SH \"EXIT STATUS\"") << Roff(QLatin1String(ExitStatus)) << QStringLiteral(".SH EXAMPLES")
         << QStringLiteral("Strip every page of a site, its subfolders included:") << QStringLiteral(".PP")
         << QStringLiteral(".RS") << QStringLiteral(".B tamsenor\\-batch strip \\-r \\-o text site")
         << QStringLiteral(".RE") << QStringLiteral(".PP")
         << QStringLiteral("Web sites and e\\-mail addresses of the pages find names, "
                           "as CSV on standard output:")
         << QStringLiteral(".PP") << QStringLiteral(".RS")
         << QStringLiteral(".B find site \\-name \\(aq*.html\\(aq \\-print0 | tamsenor\\-batch extract \\-0 "
                           "\\-\\-files\\-from \\- \\-\\-web \\-\\-email \\-\\-format csv \\-\\-results \\- > r.csv")
         << QStringLiteral(".RE") << QStringLiteral(".PP")
         << QStringLiteral("The files a run would process, in its order, as the list GNU parallel cuts into parts:")
         << QStringLiteral(".PP") << QStringLiteral(".RS")
         << QStringLiteral(".B tamsenor\\-batch list \\-0 \\-r site > list") << QStringLiteral(".RE")
         << QStringLiteral(".SH \"SEE ALSO\"") << QStringLiteral(".BR tamsenor (1),")
         << QStringLiteral(".BR parallel (1),") << QStringLiteral(".BR find (1)");
    return page.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString BatchBashCompletion()
{
    QStringList script;
    script << QStringLiteral("# bash completion for tamsenor-batch, made from its option table")
           << QStringLiteral("_tamsenor_batch()") << QStringLiteral("{")
           << QStringLiteral("    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}")
           << QStringLiteral("    local command=${COMP_WORDS[1]} words") << QStringLiteral("    COMPREPLY=()");
    QStringList commandWords;
    for (const BatchCommandInfo& command : Commands)
        commandWords << QLatin1String(command.name);
    commandWords << QStringLiteral("--help -h --version");
    script
        << QStringLiteral("    if ((COMP_CWORD == 1)); then")
        << QStringLiteral("        COMPREPLY=($(compgen -W '%1' -- \"$cur\"))").arg(commandWords.join(QLatin1Char(' ')))
        << QStringLiteral("        return") << QStringLiteral("    fi") << QStringLiteral("    case $prev in");
    for (const BatchOption& option : Options) {
        if (!option.argument)
            continue;
        QString names = Long(option);
        if (option.shortForm != '\0')
            names += QStringLiteral("|-%1").arg(QLatin1Char(option.shortForm));
        QString reply;
        switch (option.kind) {
        case ValueKind::File:
            reply = QStringLiteral("COMPREPLY=($(compgen -f -- \"$cur\"))");
            break;
        case ValueKind::Directory:
            reply = QStringLiteral("COMPREPLY=($(compgen -d -- \"$cur\"))");
            break;
        case ValueKind::Words:
            reply = QStringLiteral("COMPREPLY=($(compgen -W '%1' -- \"$cur\"))").arg(QLatin1String(option.words));
            break;
        case ValueKind::None:
        case ValueKind::Text:
            reply = QStringLiteral(":");
            break;
        }
        script << QStringLiteral("    %1) %2; return ;;").arg(names, reply);
    }
    script << QStringLiteral("    esac") << QStringLiteral("    case $command in");
    for (const BatchCommandInfo& command : Commands) {
        QStringList words;
        for (const BatchOption& option : Options) {
            if (!(option.commands & command.command))
                continue;
            words << Long(option);
            if (option.shortForm != '\0')
                words << QStringLiteral("-%1").arg(QLatin1Char(option.shortForm));
        }
        script
            << QStringLiteral("    %1) words='%2' ;;").arg(QLatin1String(command.name), words.join(QLatin1Char(' ')));
    }
    script << QStringLiteral("    *) return ;;") << QStringLiteral("    esac")
           << QStringLiteral("    if [[ $cur == -* ]]; then")
           << QStringLiteral("        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))") << QStringLiteral("    else")
           << QStringLiteral("        COMPREPLY=($(compgen -f -- \"$cur\"))") << QStringLiteral("    fi")
           << QStringLiteral("}") << QStringLiteral("complete -o filenames -F _tamsenor_batch tamsenor-batch");
    return script.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

BatchOptions ParseBatchArguments(const QStringList& arguments)
{
    BatchOptions options;
    options.settings.jobs = 0; // one per core, unless --jobs says otherwise
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
            return options;
        }
        if (argument == QLatin1String("--version")) {
            options.version = true;
            return options;
        }
        if (argument == QLatin1String("--"))
            break;
    }
    if (arguments.isEmpty())
        return Failed(options, QStringLiteral("a command is needed: strip, extract, list or recover"));
    const QString command = arguments.front();
    const BatchCommandInfo* info = nullptr;
    for (const BatchCommandInfo& candidate : Commands) {
        if (command == QLatin1String(candidate.name))
            info = &candidate;
    }
    if (!info)
        return Failed(options, QStringLiteral("unknown command '%1' (use strip, extract, list or recover)").arg(command));
    options.command = info->command;
    options.settings.strip = info->command == CommandStrip;

    // Applies one option; `value` is taken when the option needs one.
    const auto take = [&](const BatchOption& option, const QString& spelled, std::optional<QString> value) {
        if (!(option.commands & info->command))
            return QStringLiteral("%1 does not belong to the %2 command").arg(spelled, command);
        if (!option.argument && value)
            return QStringLiteral("%1 takes no value").arg(spelled);
        if (option.argument && !value)
            return QStringLiteral("%1 needs a value").arg(spelled);
        if (option.argument && value->isEmpty())
            return QStringLiteral("%1 needs a value that is not empty").arg(spelled);
        return option.apply(options, value.value_or(QString()));
    };

    bool optionsEnded = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            options.paths << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString error;
        if (argument.startsWith(QLatin1String("--"))) {
            const qsizetype equals = argument.indexOf(QLatin1Char('='));
            const QString name = equals < 0 ? argument : argument.left(equals);
            const BatchOption* option = OptionNamed(name.mid(2));
            if (!option)
                return Failed(options, QStringLiteral("unknown option '%1'").arg(name));
            std::optional<QString> value;
            if (equals >= 0)
                value = argument.mid(equals + 1);
            else if (option->argument && i + 1 < arguments.size())
                value = arguments[++i];
            error = take(*option, name, value);
        } else {
            // A bundle of short forms; one that takes a value takes the rest, or the next argument.
            for (qsizetype at = 1; at < argument.size() && error.isEmpty(); ++at) {
                const QString spelled = QStringLiteral("-") + argument[at];
                const BatchOption* option = OptionOfShortForm(argument[at]);
                if (!option)
                    return Failed(options, QStringLiteral("unknown option '%1'").arg(spelled));
                std::optional<QString> value;
                if (option->argument) {
                    if (at + 1 < argument.size())
                        value = argument.mid(at + 1);
                    else if (i + 1 < arguments.size())
                        value = arguments[++i];
                    error = take(*option, spelled, value);
                    break;
                }
                error = take(*option, spelled, value);
            }
        }
        if (!error.isEmpty())
            return Failed(options, error);
        if (options.help || options.version)
            return options;
    }

    if (info->command == CommandRecover) {
        if (options.paths.size() != 1)
            return Failed(options, QStringLiteral("recover takes one folder: tamsenor-batch recover DIR"));
        return options;
    }
    if (options.settings.strip && options.settings.outputDirectory.isEmpty())
        return Failed(options, QStringLiteral("strip needs --out DIR"));
    if (info->command == CommandExtract && options.settings.resultsPath.isEmpty())
        return Failed(options, QStringLiteral("extract needs --results FILE"));
    if (info->command == CommandExtract && !options.settings.web && !options.settings.email && !options.settings.links
        && !options.settings.keywordFile)
        return Failed(
            options, QStringLiteral("extract needs at least one of --web, --email, --links, --keywords FILE"));
    if (options.paths.isEmpty() && !options.filesFrom)
        return Failed(options, QStringLiteral("no PATH was given"));
    if (options.nulSeparated && !options.filesFrom && info->command != CommandList)
        return Failed(options, QStringLiteral("-0 goes with --files-from"));
    return options;
}

QStringList NamesFromList(const std::string& list, bool nulSeparated)
{
    QStringList names;
    const char end = nulSeparated ? '\0' : '\n';
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t stop = list.find(end, start);
        if (stop == std::string::npos)
            stop = list.size();
        std::string name = list.substr(start, stop - start);
        if (!nulSeparated && !name.empty() && name.back() == '\r')
            name.pop_back();
        if (!name.empty())
            names << FromLocalBytes(name);
        start = stop + 1;
    }
    return names;
}

} // namespace tamsenor
