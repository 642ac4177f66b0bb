#include "BatchOptions.h"

#include "files/LocalText.h"

namespace tamsenor {

QString BatchUsage()
{
    return QStringLiteral("Usage:\n"
                          "  tamsenor-batch strip --out DIR [OPTION...] PATH...\n"
                          "  tamsenor-batch extract [--web] [--email] [--links] [--keywords FILE]\n"
                          "                         --results FILE [--process-time TEXT] [--format FORMAT]\n"
                          "                         [OPTION...] PATH...\n"
                          "\n"
                          "Strips HTML files to plain text, or extracts web sites, e-mail addresses and\n"
                          "keyword values from them, exactly as the Tamsenor window does.\n"
                          "\n"
                          "A directory among the PATHs stands for its ordinary, non-hidden files (not\n"
                          "those of its subdirectories). The files are processed in alphabetical order\n"
                          "of their full paths, letters compared without regard to case.\n"
                          "\n"
                          "strip     writes one .txt file per input into DIR (created when missing):\n"
                          "          the file name without its dots, then .txt; an existing file is\n"
                          "          replaced, and a second input of the same name gets _2, _3, ...\n"
                          "extract   writes the findings as a results file, tab-separated unless --format\n"
                          "          says otherwise (replaced when it exists); at least one of these\n"
                          "          must be given:\n"
                          "  --web             collect web sites (the WebSite column)\n"
                          "  --email           collect e-mail addresses (the Email column)\n"
                          "  --links           collect the links and mailto addresses written in each\n"
                          "                    file's markup (the Link and MailTo columns, last)\n"
                          "  --keywords FILE   collect the words at the positions of every keyword of\n"
                          "                    the keyword file FILE (one column per keyword)\n"
                          "  --process-time TEXT\n"
                          "                    write TEXT as every finding's ProcessTime instead of the\n"
                          "                    time of the run, for reproducible results\n"
                          "  --format FORMAT   write the results as tsv (the default: the tab-separated\n"
                          "                    results file of the window), csv (UTF-8 with a byte order\n"
                          "                    mark; a value starting with = + - @ gets a leading ')\n"
                          "                    or jsonl (one JSON object per finding, keyed by column name;\n"
                          "                    an empty value is \"\", bytes that are no UTF-8 are U+FFFD)\n"
                          "\n"
                          "\n"
                          "Options of both commands:\n"
                          "  --files-from FILE read more PATHs from FILE, one per line ('-': standard input)\n"
                          "  -0, --null        the names in the --files-from list end with NUL, as\n"
                          "                    find -print0 writes them\n"
                          "  -r, --recursive   a directory stands for the files of its whole tree (hidden\n"
                          "                    folders and links to folders are not entered)\n"
                          "  --suffix EXT      only a directory's files whose names end in .EXT (letters\n"
                          "                    regardless of case; \"*.html\", \".html\" and \"html\" alike;\n"
                          "                    \"htm;*.html\" for either); files named as PATHs always count\n"
                          "  --readable        the text as a browser shows it, in UTF-8 with LF line ends:\n"
                          "                    strip writes it (the page's encoding decided from its byte\n"
                          "                    order mark, its <meta> charset or a detector), extract\n"
                          "                    searches it instead of the stripped text\n"
                          "  --main-text       as --readable, but only the page's main text: its title and\n"
                          "                    article without menus, headers, footers, sidebars, share\n"
                          "                    and comment widgets, notices and ads (a page with none to\n"
                          "                    find gives its readable text whole)\n"
                          "  --jobs N          read and strip files on N threads (default: one per core);\n"
                          "                    the outputs and messages stay those of one thread, in order\n"
                          "  -q, --quiet       no progress line and no summary\n"
                          "  -v, --verbose     one line per output besides the summary (with --readable:\n"
                          "                    the encoding each page was read in; with --main-text also\n"
                          "                    whether its main text or the whole page was written)\n"
                          "  --version         show the version\n"
                          "  -h, --help        show this text\n"
                          "\n"
                          "Exit status: 0 when every file was processed, 1 when some were skipped or the\n"
                          "results could not be written, 2 for a usage error or a refused run, 130 when\n"
                          "interrupted.\n");
}

namespace {

struct Option {
    const char* name;
    bool takesValue;
    bool stripOnly;
    bool extractOnly;
};

const Option Options[] = {
    { "--jobs", true, false, false },
    { "--files-from", true, false, false },
    { "--null", false, false, false },
    { "-0", false, false, false },
    { "--quiet", false, false, false },
    { "--recursive", false, false, false },
    { "--suffix", true, false, false },
    { "-r", false, false, false },
    { "-q", false, false, false },
    { "--verbose", false, false, false },
    { "-v", false, false, false },
    { "--readable", false, false, false },
    { "--main-text", false, false, false },
    { "--out", true, true, false },
    { "--web", false, false, true },
    { "--email", false, false, true },
    { "--links", false, false, true },
    { "--keywords", true, false, true },
    { "--results", true, false, true },
    { "--process-time", true, false, true },
    { "--format", true, false, true },
};

BatchOptions Failed(BatchOptions options, const QString& error)
{
    options.error = error;
    return options;
}

} // namespace

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
        return Failed(options, QStringLiteral("a command is needed: strip or extract"));
    const QString command = arguments.front();
    if (command == QLatin1String("strip"))
        options.settings.strip = true;
    else if (command != QLatin1String("extract"))
        return Failed(options, QStringLiteral("unknown command '%1' (use strip or extract)").arg(command));

    bool outGiven = false;
    bool resultsGiven = false;
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
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        const Option* option = nullptr;
        for (const Option& candidate : Options) {
            if (name == QLatin1String(candidate.name))
                option = &candidate;
        }
        if (!option)
            return Failed(options, QStringLiteral("unknown option '%1'").arg(name));
        if ((option->stripOnly && !options.settings.strip) || (option->extractOnly && options.settings.strip))
            return Failed(options, QStringLiteral("%1 does not belong to the %2 command").arg(name, command));
        QString value;
        if (option->takesValue) {
            if (equals >= 0) {
                value = argument.mid(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return Failed(options, QStringLiteral("%1 needs a value").arg(name));
            }
            if (value.isEmpty())
                return Failed(options, QStringLiteral("%1 needs a value that is not empty").arg(name));
        } else if (equals >= 0) {
            return Failed(options, QStringLiteral("%1 takes no value").arg(name));
        }

        if (name == QLatin1String("--jobs")) {
            bool number = false;
            const int jobs = value.toInt(&number);
            if (!number || jobs < 1 || jobs > 1024)
                return Failed(options, QStringLiteral("--jobs needs a whole number from 1 to 1024"));
            options.settings.jobs = jobs;
        } else if (name == QLatin1String("--files-from")) {
            options.filesFrom = value;
        } else if (name == QLatin1String("--null") || name == QLatin1String("-0")) {
            options.nulSeparated = true;
        } else if (name == QLatin1String("--suffix")) {
            options.suffix = value;
        } else if (name == QLatin1String("--recursive") || name == QLatin1String("-r")) {
            options.recursive = true;
        } else if (name == QLatin1String("--quiet") || name == QLatin1String("-q")) {
            options.quiet = true;
        } else if (name == QLatin1String("--verbose") || name == QLatin1String("-v")) {
            options.verbose = true;
        } else if (name == QLatin1String("--readable")) {
            options.settings.readable = true;
        } else if (name == QLatin1String("--main-text")) {
            options.settings.readable = true;
            options.settings.mainText = true;
        } else if (name == QLatin1String("--out")) {
            outGiven = true;
            options.settings.outputDirectory = value;
        } else if (name == QLatin1String("--web")) {
            options.settings.web = true;
        } else if (name == QLatin1String("--email")) {
            options.settings.email = true;
        } else if (name == QLatin1String("--links")) {
            options.settings.links = true;
        } else if (name == QLatin1String("--keywords")) {
            options.settings.keywordFile = value;
        } else if (name == QLatin1String("--results")) {
            resultsGiven = true;
            options.settings.resultsPath = value;
        } else if (name == QLatin1String("--format")) {
            const std::optional<ResultsFormat> format = ResultsFormatNamed(value.toStdString());
            if (!format)
                return Failed(options, QStringLiteral("--format needs tsv, csv or jsonl, not '%1'").arg(value));
            options.settings.resultsFormat = *format;
        } else if (name == QLatin1String("--process-time")) {
            options.settings.processTime = LocalBytes(value);
        }
    }

    if (options.settings.strip && !outGiven)
        return Failed(options, QStringLiteral("strip needs --out DIR"));
    if (!options.settings.strip && !resultsGiven)
        return Failed(options, QStringLiteral("extract needs --results FILE"));
    if (!options.settings.strip && !options.settings.web && !options.settings.email && !options.settings.links
        && !options.settings.keywordFile)
        return Failed(
            options, QStringLiteral("extract needs at least one of --web, --email, --links, --keywords FILE"));
    if (options.paths.isEmpty() && !options.filesFrom)
        return Failed(options, QStringLiteral("no PATH was given"));
    if (options.nulSeparated && !options.filesFrom)
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
