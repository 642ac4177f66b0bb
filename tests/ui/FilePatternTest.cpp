#include "files/FilePattern.h"
#include "ui/toolkit/FileList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tamsenor;

TEST(FilePatternTest, MatchesAsTheFileListDoes)
{
    struct Row {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Row rows[] = {
        { "*.", "README", true },
        { "*.", "a.txt", false },
        { "*.", "archive.tar.gz", false },
        { "*.*", "README", true },
        { "*.*", "a.txt", true },
        { "*.htm", "page.htm", true },
        { "*.htm", "PAGE.HTM", true },
        { "*.htm", "page.html", false },
        { "*.htm", "page.htm.bak", false },
        { "*.HtMl", "Index.hTmL", true },
        { "*.*", "trailing.", true },
        { "*.", "trailing.", true },
        { "?.txt", "a.txt", true },
        { "?.txt", "ab.txt", false },
        { "?.txt", ".txt", false },
        { "a?c.*", "AbC.x", true },
        { "*.htm;*.txt", "n.TXT", true },
        { "*.htm;*.txt", "n.html", false },
        { "*.txt;", "n.txt", true },
        { "*.*t*", "a.txt", true },
        { "*.[ab]", "x.[ab]", true },
        { "*.[ab]", "x.a", false },
        { "*.é", "x.É", true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " vs " + row.name);
        auto p = FilePattern::parse(QString::fromUtf8(row.pattern));
        ASSERT_TRUE(p.has_value());
        EXPECT_EQ(row.matches, p->matches(QString::fromUtf8(row.name)));
    }
}

TEST(FilePatternTest, RefusesTextsThatCannotNameFilesOfOneDirectory)
{
    struct Row {
        const char* name;
        QString pattern;
        bool refused;
    };
    const Row rows[] = {
        { "path separator", "*.a/b", true },
        { "tab", "*.a\tb", true },
        { "line feed", "*.a\n", true },
        { "delete character", QString("*.a") + QChar(0x7F), true },
        { "empty", "", true },
        { "over-long alternative", "*." + QString(254, 'x'), true },
        { "longest alternative", "*." + QString(253, 'x'), false },
        { "backslash is a name character here", "*.a\\b", false },
        { "parenthesis", "*.(x", false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.refused, !FilePattern::parse(row.pattern).has_value());
    }
}

TEST(FileListTest, ListsOrdinaryVisibleFilesSortedAndKeepsNamesOnFailure)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QDir dir(tmp.path());
    for (const char* name : { "b.htm", "A.HTM", "c.txt", "README", ".hidden.htm" }) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(dir.mkdir("sub.htm"));
    ASSERT_TRUE(QFile::link(dir.filePath("b.htm"), dir.filePath("link.htm")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), dir.filePath("broken.htm")));

    FileList list;
    ASSERT_TRUE(list.setPattern("*.htm"));
    ASSERT_TRUE(list.setPath(tmp.path()));
    EXPECT_EQ(QStringList({ "A.HTM", "b.htm", "link.htm" }), list.names());

    EXPECT_FALSE(list.setPattern("*.x/y"));
    EXPECT_EQ(QString("*.htm"), list.pattern());
    EXPECT_FALSE(list.setPath(dir.filePath("missing")));
    EXPECT_EQ(QDir::cleanPath(tmp.path()), list.path());
    EXPECT_EQ(3, list.count());

    ASSERT_TRUE(list.setPattern("*."));
    EXPECT_EQ(QStringList({ "README" }), list.names());
}
