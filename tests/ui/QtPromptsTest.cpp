#include "ui/QtPrompts.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tamsenor;

TEST(QtPromptsTest, FilterListBecomesQtNameFilters)
{
    struct Row {
        const char* name;
        QString filter;
        QStringList expected;
    };
    const Row rows[] = {
        { "keyword and results files", TextFileFilter, { "All Files(*.*) (*)", "Text Files(*.txt) (*.txt)" } },
        { "several patterns", "Pages|*.htm;*.html", { "Pages (*.htm *.html)" } },
        { "caption without pattern", "Odd", {} },
        { "empty", "", {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected, QtPrompts::qtNameFilters(row.filter));
    }
}

TEST(QtPromptsTest, YesNoQuestionsWithoutAnIconShowTheQuestionMark)
{
    struct Row {
        const char* name;
        Icon icon;
        Buttons buttons;
        QMessageBox::Icon shown;
    };
    const Row rows[] = {
        { "exit and save questions", Icon::None, Buttons::YesNo, QMessageBox::Question },
        { "plain message", Icon::None, Buttons::Ok, QMessageBox::NoIcon },
        { "OK and Cancel without icon", Icon::None, Buttons::OkCancel, QMessageBox::NoIcon },
        { "a question with its own icon keeps it", Icon::Exclamation, Buttons::YesNo, QMessageBox::Warning },
        { "critical", Icon::Critical, Buttons::Ok, QMessageBox::Critical },
        { "information", Icon::Information, Buttons::Ok, QMessageBox::Information },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.shown, QtPrompts::qtIcon(row.icon, row.buttons));
    }
}

TEST(QtPromptsTest, FileDialogsStartInTheRememberedFolderOfTheirKind)
{
    QTemporaryDir results;
    ASSERT_TRUE(results.isValid());
    const QString inResults = results.filePath("run.txt");
    struct Row {
        const char* name;
        QString last; // chosen at the dialog control's previous use
        QString remembered; // for this kind of file; empty when off
        QtPrompts::DialogStart start;
    };
    const Row rows[] = {
        { "first use, nothing remembered", "", "", { "", "" } },
        { "nothing remembered: the previous name, as always", "/k/words.txt", "", { "", "/k/words.txt" } },
        { "first use since the start: the remembered folder", "", results.path(), { results.path(), "" } },
        { "previous name in that folder: offered", inResults, results.path(), { "", inResults } },
        { "previous name of another kind elsewhere: the kind's folder", "/k/words.txt", results.path(),
            { results.path(), "" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QtPrompts::DialogStart start = QtPrompts::dialogStart(row.last, row.remembered);
        EXPECT_EQ(row.start.folder, start.folder);
        EXPECT_EQ(row.start.file, start.file);
    }
}

TEST(QtPromptsTest, ProposedFileIsAFreeName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(dir.filePath("results.txt"), QtPrompts::proposedFile(dir.path(), "results.txt"));
    for (const char* taken : { "results.txt", "results_2.txt" }) {
        QFile file(dir.filePath(taken));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(dir.filePath("results_3.txt"), QtPrompts::proposedFile(dir.path(), "results.txt"));
    EXPECT_EQ(dir.filePath("results.csv"), QtPrompts::proposedFile(dir.path(), "results.csv"));
}
