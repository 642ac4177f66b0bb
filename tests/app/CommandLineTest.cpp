#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace tamsenor {
namespace {

TEST(WindowCommandLineTest, Arguments)
{
    using Action = WindowCommandLine::Action;
    struct Row {
        const char* name;
        QStringList arguments;
        Action action;
        QStringList paths;
        QString error;
    };
    const Row rows[] = {
        { "nothing", {}, Action::Run, {}, {} },
        { "files and folders", { "a.htm", "/site" }, Action::Run, { "a.htm", "/site" }, {} },
        { "help wins", { "a.htm", "--bad", "-h" }, Action::Help, {}, {} },
        { "version", { "--version", "a.htm" }, Action::Version, {}, {} },
        { "after -- a path", { "--", "--version", "-x.htm" }, Action::Run, { "--version", "-x.htm" }, {} },
        { "unknown option", { "a.htm", "--fast" }, Action::Error, { "a.htm" }, "unknown option '--fast'" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowCommandLine line = ParseWindowArguments(row.arguments);
        EXPECT_EQ(row.action, line.action);
        EXPECT_EQ(row.paths, line.paths);
        EXPECT_EQ(row.error, line.error);
    }
}

// Every option of the usage text is one the parser answers.
TEST(WindowCommandLineTest, UsageNamesWhatIsParsed)
{
    for (const char* option : { "-h", "--help", "--version" }) {
        SCOPED_TRACE(option);
        EXPECT_TRUE(WindowUsage().contains(QLatin1String(option)));
        EXPECT_NE(WindowCommandLine::Action::Error, ParseWindowArguments({ option }).action);
    }
}

} // namespace
} // namespace tamsenor
