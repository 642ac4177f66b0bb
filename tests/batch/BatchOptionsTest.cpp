#include "batch/BatchOptions.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace tamsenor;

namespace {

// Every field an option can set, as text, so that two parses compare whole.
std::string Describe(const BatchOptions& o)
{
    const BatchSettings& s = o.settings;
    QStringList fields {
        QStringLiteral("help=%1 version=%2 command=%3 quiet=%4 verbose=%5")
            .arg(o.help)
            .arg(o.version)
            .arg(static_cast<int>(o.command))
            .arg(o.quiet)
            .arg(o.verbose),
        QStringLiteral("error=") + o.error,
        QStringLiteral("paths=") + o.paths.join(QLatin1Char('|')),
        QStringLiteral("filesFrom=") + o.filesFrom.value_or(QStringLiteral("-none-")),
        QStringLiteral("null=%1 recursive=%2").arg(o.nulSeparated).arg(o.recursive),
        QStringLiteral("suffix=") + o.suffix.value_or(QStringLiteral("-none-")),
        QStringLiteral("strip=%1 out=%2 web=%3 email=%4 links=%5 readable=%6")
            .arg(s.strip)
            .arg(s.outputDirectory)
            .arg(s.web)
            .arg(s.email)
            .arg(s.links)
            .arg(s.readable),
        QStringLiteral("keywords=") + s.keywordFile.value_or(QStringLiteral("-none-")),
        QStringLiteral("results=%1 format=%2 jobs=%3")
            .arg(s.resultsPath)
            .arg(static_cast<int>(s.resultsFormat))
            .arg(s.jobs),
        QStringLiteral("processTime=") + QString::fromStdString(s.processTime.value_or("-none-")),
    };
    return fields.join(QLatin1Char('\n')).toStdString();
}

// The least a command needs besides the option under test (a list, so that -0 belongs).
QStringList Base(const BatchCommandInfo& command, const BatchOption& tested)
{
    const QStringList list { QStringLiteral("--files-from=f"), QStringLiteral("p") };
    switch (command.command) {
    case CommandStrip:
        return QStringList { QStringLiteral("strip"), QStringLiteral("--out=o") } + list;
    case CommandExtract:
        return QStringList { QStringLiteral("extract"), QStringLiteral("--results=r"),
            QLatin1String(tested.name) == QLatin1String("email") ? QStringLiteral("--web") : QStringLiteral("--email") }
        + list;
    case CommandList:
        break;
    case CommandRecover:
        return QStringList { QStringLiteral("recover"), QStringLiteral("d") };
    }
    return QStringList { QStringLiteral("list") } + list;
}

// A value the option takes that is no default: one of its words, a number, or a name.
QString SampleValue(const BatchOption& option)
{
    if (option.kind == ValueKind::Words)
        return QString::fromLatin1(option.words).split(QLatin1Char(' ')).back();
    if (QLatin1String(option.argument) == QLatin1String("N"))
        return QStringLiteral("3");
    return QStringLiteral("sample");
}

// The words the completion offers after the command `name`.
QStringList CompletionWords(const QString& script, const QString& name)
{
    const QRegularExpression line(QStringLiteral("\\n    %1\\) words='([^']*)' ;;").arg(name));
    const QRegularExpressionMatch match = line.match(script);
    return match.hasMatch() ? match.captured(1).split(QLatin1Char(' ')) : QStringList();
}

class BatchOptionTableTest : public ::testing::TestWithParam<BatchOption> { };

std::string RowName(const ::testing::TestParamInfo<BatchOption>& info)
{
    std::string name = info.param.name;
    for (char& c : name) {
        if (c == '-')
            c = '_';
    }
    return name;
}

} // namespace

// Parsed: each spelling of the option, for each command that takes it, changes
// what the line says; a command that does not take it refuses it.
TEST_P(BatchOptionTableTest, IsParsedByEveryCommandThatTakesIt)
{
    const BatchOption& option = GetParam();
    for (const BatchCommandInfo& command : BatchCommandTable()) {
        SCOPED_TRACE(command.name);
        const QStringList base = Base(command, option);
        const BatchOptions without = ParseBatchArguments(base);
        ASSERT_EQ(QString(), without.error);
        const QString value = option.argument ? SampleValue(option) : QString();
        QList<QStringList> spellings;
        const QString longForm = QStringLiteral("--") + QLatin1String(option.name);
        spellings << (option.argument ? QStringList { longForm, value } : QStringList { longForm });
        if (option.argument)
            spellings << QStringList { longForm + QLatin1Char('=') + value };
        if (option.shortForm != '\0') {
            const QString shortForm = QStringLiteral("-") + QLatin1Char(option.shortForm);
            spellings << (option.argument ? QStringList { shortForm, value } : QStringList { shortForm });
            if (option.argument)
                spellings << QStringList { shortForm + value };
        }
        for (const QStringList& spelling : spellings) {
            SCOPED_TRACE(spelling.join(QLatin1Char(' ')).toStdString());
            const BatchOptions with = ParseBatchArguments(base + spelling);
            if (option.commands & command.command) {
                EXPECT_EQ(QString(), with.error);
                EXPECT_NE(Describe(without), Describe(with));
            } else {
                EXPECT_TRUE(with.error.contains(
                    QStringLiteral("does not belong to the %1 command").arg(QLatin1String(command.name))))
                    << with.error.toStdString();
            }
        }
    }
}

// Helped, documented and completed: --help, the man page and the completion
// name every form of it, and the completion offers it after exactly the
// commands that take it.
TEST_P(BatchOptionTableTest, IsHelpedDocumentedAndCompleted)
{
    const BatchOption& option = GetParam();
    const QString longForm = QStringLiteral("--") + QLatin1String(option.name);
    QString helpLabel = longForm;
    QString manLabel = QStringLiteral("\\fB\\-\\-") + QString(QLatin1String(option.name)).replace('-', "\\-")
        + QStringLiteral("\\fR");
    if (option.argument) {
        helpLabel += QLatin1Char(' ') + QLatin1String(option.argument);
        manLabel += QStringLiteral(" \\fI%1\\fR").arg(QLatin1String(option.argument));
    }
    if (option.shortForm != '\0') {
        helpLabel = QStringLiteral("-%1, ").arg(QLatin1Char(option.shortForm)) + helpLabel;
        manLabel = QStringLiteral("\\fB\\-%1\\fR, ").arg(QLatin1Char(option.shortForm)) + manLabel;
    }
    const QString usage = BatchUsage();
    const QString helpLine = QStringLiteral("\n  ") + QString(option.shortForm ? 0 : 4, QLatin1Char(' ')) + helpLabel;
    EXPECT_TRUE(usage.contains(helpLine + QLatin1Char(' ')) || usage.contains(helpLine + QLatin1Char('\n')))
        << helpLine.toStdString();
    EXPECT_TRUE(BatchManPage().contains(QStringLiteral("\n.TP\n") + manLabel + QLatin1Char('\n')))
        << manLabel.toStdString();

    const QString completion = BatchBashCompletion();
    for (const BatchCommandInfo& command : BatchCommandTable()) {
        SCOPED_TRACE(command.name);
        const QStringList words = CompletionWords(completion, QLatin1String(command.name));
        ASSERT_FALSE(words.isEmpty());
        const bool takes = (option.commands & command.command) != 0;
        EXPECT_EQ(takes, words.contains(longForm));
        if (option.shortForm != '\0') {
            EXPECT_EQ(takes, words.contains(QStringLiteral("-%1").arg(QLatin1Char(option.shortForm))));
        }
    }
    if (option.argument) {
        QString names = longForm;
        if (option.shortForm != '\0')
            names += QStringLiteral("|-%1").arg(QLatin1Char(option.shortForm));
        EXPECT_TRUE(completion.contains(QStringLiteral("\n    %1) ").arg(names))) << names.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryOption, BatchOptionTableTest,
    ::testing::ValuesIn(BatchOptionTable().begin(), BatchOptionTable().end()), RowName);

TEST(BatchOptionsTest, NamesAreUnique)
{
    QStringList names;
    QString shortForms;
    for (const BatchOption& option : BatchOptionTable()) {
        SCOPED_TRACE(option.name);
        EXPECT_FALSE(names.contains(QLatin1String(option.name)));
        names << QLatin1String(option.name);
        if (option.shortForm != '\0') {
            EXPECT_FALSE(shortForms.contains(QLatin1Char(option.shortForm)));
            shortForms += QLatin1Char(option.shortForm);
        }
    }
}

// The shell's habits: bundles, values glued to a short form, and the errors of each.
TEST(BatchOptionsTest, ShortFormsBundleAsInOtherTools)
{
    struct Row {
        const char* name;
        QStringList arguments;
        QStringList same; // parses to the same options, or empty
        QString error; // the usage error expected instead
    };
    const Row rows[] = {
        { "switches bundled", { "strip", "-rq", "-o", "o", "p" }, { "strip", "-r", "-q", "--out", "o", "p" }, {} },
        { "quiet and verbose", { "strip", "-qv", "-oo", "p" }, { "strip", "--quiet", "--verbose", "--out=o", "p" },
            {} },
        { "value in the bundle", { "strip", "-rj4", "-o", "o", "p" }, { "strip", "-r", "--jobs", "4", "-oo", "p" },
            {} },
        { "value after the bundle", { "strip", "-rqo", "o", "p" }, { "strip", "-r", "-q", "--out", "o", "p" }, {} },
        { "NUL names for list", { "list", "-0r", "p" }, { "list", "--null", "--recursive", "p" }, {} },
        { "results to standard output", { "extract", "--web", "--results", "-", "p" },
            { "extract", "--web", "--results=-", "p" }, {} },
        { "a dash is a path", { "list", "-", "--", "-r" }, {}, {} },
        { "unknown in a bundle", { "strip", "-rx", "-o", "o", "p" }, {}, "unknown option '-x'" },
        { "value missing at the end", { "strip", "p", "-qo" }, {}, "-o needs a value" },
        { "switch with a value", { "strip", "-o", "o", "--quiet=yes", "p" }, {}, "--quiet takes no value" },
        { "jobs not a number", { "strip", "-o", "o", "-jmany", "p" }, {},
            "--jobs needs a whole number from 1 to 1024" },
        { "extract option in strip", { "strip", "-o", "o", "--web", "p" }, {},
            "--web does not belong to the strip command" },
        { "run option in list", { "list", "-q", "p" }, {}, "-q does not belong to the list command" },
        { "unknown command", { "lists", "p" }, {}, "unknown command 'lists' (use strip, extract, list or recover)" },
        { "-0 without a list", { "strip", "-0", "-o", "o", "p" }, {}, "-0 goes with --files-from" },
        { "recover of two folders", { "recover", "a", "b" }, {}, "recover takes one folder: tamsenor-batch recover DIR" },
        { "recover takes no PATH option", { "recover", "-r", "a" }, {}, "-r does not belong to the recover command" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const BatchOptions parsed = ParseBatchArguments(row.arguments);
        EXPECT_EQ(row.error, parsed.error);
        if (!row.same.isEmpty()) {
            EXPECT_EQ(Describe(ParseBatchArguments(row.same)), Describe(parsed));
        }
    }
    const BatchOptions dash = ParseBatchArguments({ "list", "-", "--", "-r" });
    EXPECT_EQ(QStringList({ "-", "-r" }), dash.paths);
    EXPECT_FALSE(dash.recursive);
    EXPECT_TRUE(ParseBatchArguments({ "extract", "--web", "--results", "-", "p" }).resultsToStandardOutput());
}

// The help and the README agree on what the CSV guard quotes.
TEST(BatchOptionsTest, HelpNamesTheWholeCsvGuard)
{
    EXPECT_TRUE(
        BatchUsage().simplified().contains(QStringLiteral("a value starting with = + - @, tab or CR gets a leading '")))
        << BatchUsage().toStdString();
}
