#include "MainFixture.h"

#include "ui/FileChooser.h"
#include "ui/toolkit/DirList.h"
#include "ui/toolkit/DriveList.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

using namespace tamsenor;
using namespace tamsenor::testing;

class FileChooserTest : public MainFixture {
protected:
    // Starts in `dir` with every file listed ("* (All File)" picked).
    void startListingAll(const QString& dir = {})
    {
        start(dir);
        auto* combo = control<QComboBox>("Combo1");
        combo->setCurrentIndex(0);
        Q_EMIT combo->activated(0);
    }
    QString path(const QString& relative) const { return QDir(root_).filePath(relative); }
    void selectInList1(std::initializer_list<int> rows)
    {
        for (int r : rows)
            list("List1")->setEntrySelected(r, true);
    }
    void openDirectory(const QString& dir) { ASSERT_TRUE(control<DirList>("Dir1")->setPath(dir)); }
    void type(QWidget* target, const QString& text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
    }
};

TEST_F(FileChooserTest, PickingAllFilesListsEveryOrdinaryFile)
{
    for (const char* f : { "b.txt", "A.htm", "README", ".hidden" })
        makeFile(f);
    ASSERT_TRUE(QDir(root_).mkdir("sub"));
    startListingAll();
    EXPECT_EQ(QString("*"), main_->state().settings.extensionFilter);
    EXPECT_EQ(QStringList({ "A.htm", "b.txt", "README" }), list("List1")->entries());
    EXPECT_EQ(QString("Total: 3"), caption("Label3"));
}

TEST_F(FileChooserTest, AddMovesSelectedFilesAndCounts)
{
    struct Row {
        const char* name;
        std::vector<int> selected;
        QStringList left;
        QStringList chosen;
    };
    const Row rows[] = {
        { "none selected", {}, { "a.htm", "b.htm", "c.htm" }, {} },
        { "first and last", { 0, 2 }, { "b.htm" }, { "a.htm", "c.htm" } },
        { "middle", { 1 }, { "a.htm", "c.htm" }, { "b.htm" } },
        { "all", { 0, 1, 2 }, {}, { "a.htm", "b.htm", "c.htm" } },
    };
    for (const char* f : { "a.htm", "b.htm", "c.htm" })
        makeFile(f);
    startListingAll();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        button("CmdSelectall2")->click();
        button("CmdRfrs")->click();
        for (int r : row.selected)
            list("List1")->setEntrySelected(r, true);
        button("CmdAdd")->click();
        EXPECT_EQ(row.left, list("List1")->entries());
        QStringList expected;
        for (const QString& n : row.chosen)
            expected << root_ + "/" + n;
        EXPECT_EQ(expected, list("List2")->entries());
        EXPECT_EQ(QString("Total: %1").arg(row.left.size()), caption("Label3"));
        EXPECT_EQ(QString("Total: %1").arg(row.chosen.size()), caption("Label5"));
    }
}

TEST_F(FileChooserTest, SelectAllThenAddEmptiesList1)
{
    makeFile("x.htm");
    makeFile("y.htm");
    startListingAll();
    button("CmdSelectAll1")->click();
    EXPECT_EQ(2, list("List1")->selectedCount());
    button("CmdAdd")->click();
    EXPECT_EQ(0, list("List1")->count());
    EXPECT_EQ(QString("Total: 0"), caption("Label3"));
    EXPECT_EQ(QString("Total: 2"), caption("Label5"));
}

TEST_F(FileChooserTest, ChosenFilesInterleaveAcrossDirectoriesAndMayRepeat)
{
    ASSERT_TRUE(QDir(root_).mkpath("One"));
    ASSERT_TRUE(QDir(root_).mkpath("one2"));
    for (const char* f : { "One/b.htm", "One/Z.htm", "one2/a.htm" })
        makeFile(f);
    startListingAll("one2");
    button("CmdSelectAll1")->click();
    button("CmdAdd")->click();
    openDirectory(path("One"));
    button("CmdSelectAll1")->click();
    button("CmdAdd")->click();
    // Refresh lists the moved files again; adding once more repeats the path.
    button("CmdRfrs")->click();
    EXPECT_EQ(QStringList({ "b.htm", "Z.htm" }), list("List1")->entries());
    list("List1")->setEntrySelected(0, true);
    button("CmdAdd")->click();
    EXPECT_EQ(QStringList({ path("One/b.htm"), path("One/b.htm"), path("One/Z.htm"), path("one2/a.htm") }),
        list("List2")->entries());
    EXPECT_EQ(QString("Total: 4"), caption("Label5"));
}

TEST_F(FileChooserTest, RootDirectoryGivesTwoSeparators)
{
    EXPECT_EQ(QString("//etc.htm"), FileChooser::joinChosen("/", "etc.htm"));
    EXPECT_EQ(QString("/d/e.htm"), FileChooser::joinChosen("/d", "e.htm"));
}

TEST_F(FileChooserTest, DeselectRemovesExactlyTheSelectedEntries)
{
    struct Row {
        const char* name;
        std::vector<int> selected;
        QStringList left;
    };
    const Row rows[] = {
        { "nothing", {}, { "/a", "/b", "/c", "/d" } },
        { "first", { 0 }, { "/b", "/c", "/d" } },
        { "first and third", { 0, 2 }, { "/b", "/d" } },
        { "adjacent", { 1, 2 }, { "/a", "/d" } },
        { "all", { 0, 1, 2, 3 }, {} },
    };
    start();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ListBox* chosenList = list("List2");
        chosenList->clear();
        for (const char* p : { "/d", "/b", "/a", "/c" })
            chosenList->addEntry(p);
        for (int r : row.selected)
            chosenList->setEntrySelected(r, true);
        button("CmdDele")->click();
        EXPECT_EQ(row.left, chosenList->entries());
        EXPECT_EQ(QString("Total: %1").arg(row.left.size()), caption("Label5"));
    }
}

TEST_F(FileChooserTest, ClearEmptiesChosenFilesOnly)
{
    makeFile("a.htm");
    makeFile("b.htm");
    startListingAll();
    list("List1")->setEntrySelected(0, true);
    button("CmdAdd")->click();
    button("CmdSelectall2")->click();
    EXPECT_EQ(0, list("List2")->count());
    EXPECT_EQ(QString("Total: 0"), caption("Label5"));
    EXPECT_EQ(QStringList({ "b.htm" }), list("List1")->entries());
}

TEST_F(FileChooserTest, OpeningADirectoryMakesItCurrentAndRelists)
{
    ASSERT_TRUE(QDir(root_).mkpath("sub/deeper"));
    makeFile("sub/in-sub.txt");
    startListingAll();
    auto* folderList = control<DirList>("Dir1");
    // Open "sub" as a user would: activate its line.
    QListWidgetItem* line = nullptr;
    for (int i = 0; i < folderList->count(); ++i)
        if (folderList->pathOf(i) == path("sub"))
            line = folderList->item(i);
    ASSERT_NE(nullptr, line);
    Q_EMIT folderList->itemActivated(line);
    EXPECT_EQ(path("sub"), folderList->path());
    EXPECT_EQ(path("sub"), QDir::currentPath());
    EXPECT_EQ(QStringList({ "in-sub.txt" }), list("List1")->entries());
    EXPECT_EQ(QString("Total: 1"), caption("Label3"));

    // The reset returns to it, not to where the program started.
    main_->reset();
    EXPECT_EQ(path("sub"), folderList->path());
    EXPECT_EQ(QStringList({ "in-sub.txt" }), list("List1")->entries());
}

TEST_F(FileChooserTest, TypingASuffixFiltersAfterEachLetter)
{
    for (const char* f : { "a.h", "b.ht", "c.htm", "d.html", "e.HTML", "f.txt" })
        makeFile(f);
    start();
    QLineEdit* edit = control<QComboBox>("Combo1")->lineEdit();
    std::vector<QStringList> seen;
    for (QChar c : QString("html")) {
        type(edit, QString(c));
        seen.push_back(list("List1")->entries());
    }
    const std::vector<QStringList> expected = { { "a.h" }, { "b.ht" }, { "c.htm" }, { "d.html", "e.HTML" } };
    EXPECT_EQ(expected, seen);
    EXPECT_EQ(QString("html"), main_->state().settings.extensionFilter);
    EXPECT_EQ(QString("Total: 2"), caption("Label3"));
    EXPECT_TRUE(prompts_.asked.empty());
}

TEST_F(FileChooserTest, SuffixRules)
{
    struct Row {
        const char* name;
        QString text;
        QString filter;
    };
    const Row rows[] = {
        { "parenthesis anywhere gives the first character", "t (x", "t" },
        { "empty text", "", "" },
        { "plain", "txt", "txt" },
        { "all files item", "* (All File)", "*" },
        { "typed with star and dot", "*.html", "html" },
        { "typed with a dot", ".html", "html" },
        { "star dot star is every file", "*.*", "*" },
        { "star alone is every file", "*", "*" },
        { "star dot alone: names without extension", "*.", "" },
        { "only the leading star and dot go", "*.tar.gz", "tar.gz" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.filter, FileChooser::suffixFrom(row.text));
    }
}

TEST_F(FileChooserTest, TypedSuffixFormsListTheSameFiles)
{
    for (const char* f : { "a.html", "b.x.html", "c.htm", "README" })
        makeFile(f);
    start();
    QLineEdit* edit = control<QComboBox>("Combo1")->lineEdit();
    for (const char* typed : { "html", ".html", "*.html" }) {
        SCOPED_TRACE(typed);
        edit->clear();
        type(edit, typed);
        EXPECT_EQ(QStringList({ "a.html", "b.x.html" }), list("List1")->entries());
    }
    EXPECT_TRUE(prompts_.asked.empty());
}

TEST_F(FileChooserTest, RefusedSuffixIsReportedAndChangesNothingElse)
{
    makeFile("a.txt");
    makeFile("b.htm");
    start();
    QLineEdit* edit = control<QComboBox>("Combo1")->lineEdit();
    type(edit, "txt");
    ASSERT_EQ(QStringList({ "a.txt" }), list("List1")->entries());
    type(edit, "/");
    ASSERT_EQ(1u, prompts_.asked.size());
    EXPECT_EQ(QString("The suffix of the files is wrong"), prompts_.asked[0].text);
    EXPECT_EQ(Icon::Critical, prompts_.asked[0].icon);
    EXPECT_EQ(Buttons::Ok, prompts_.asked[0].buttons);
    EXPECT_EQ(QString("txt/"), main_->state().settings.extensionFilter);
    EXPECT_EQ(QStringList({ "a.txt" }), list("List1")->entries());
}

TEST_F(FileChooserTest, EntryTooltipFollowsThePointer)
{
    makeFile("a.htm");
    makeFile("b.htm");
    startListingAll();
    ListBox* fileList = list("List1");
    auto move = [&](QPoint at) {
        QMouseEvent ev(QEvent::MouseMove, QPointF(at), QPointF(fileList->viewport()->mapToGlobal(at)), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(fileList->viewport(), &ev);
        return fileList->toolTip();
    };
    EXPECT_EQ(QString("b.htm"), move(fileList->visualItemRect(fileList->item(1)).center()));
    EXPECT_EQ(QString("a.htm"), move(fileList->visualItemRect(fileList->item(0)).center()));
    const QRect last = fileList->visualItemRect(fileList->item(1));
    EXPECT_EQ(QString(), move(QPoint(last.center().x(), last.bottom() + 5)));
}

TEST_F(FileChooserTest, DriveThatIsNotReadyReturnsToTheWorkingDirectorysDrive)
{
    ASSERT_TRUE(QDir(root_).mkdir("usb"));
    start();
    const QString removed = path("usb");
    ASSERT_TRUE(QDir(root_).rmdir("usb"));
    auto* driveList = control<DriveList>("Drive1");
    driveList->setDrives({ { "/", "/" }, { removed, "usb" } });
    driveList->setDrive(removed);
    ASSERT_EQ(1u, prompts_.asked.size());
    EXPECT_EQ(QString("The drive is not ready."), prompts_.asked[0].text);
    EXPECT_EQ(Icon::Exclamation, prompts_.asked[0].icon);
    EXPECT_EQ(QString("/"), driveList->drive());
    EXPECT_EQ(QString("/"), control<DirList>("Dir1")->path());
    EXPECT_EQ(QString("/"), QDir::currentPath());
}

TEST_F(FileChooserTest, DriveChangeOpensTheDrivesRoot)
{
    ASSERT_TRUE(QDir(root_).mkpath("mnt/stick"));
    makeFile("mnt/stick/song.txt");
    startListingAll();
    auto* driveList = control<DriveList>("Drive1");
    driveList->setDrives({ { "/", "/" }, { path("mnt/stick"), "stick" } });
    driveList->setDrive(path("mnt/stick"));
    EXPECT_TRUE(prompts_.asked.empty());
    EXPECT_EQ(path("mnt/stick"), control<DirList>("Dir1")->path());
    EXPECT_EQ(path("mnt/stick"), QDir::currentPath());
    EXPECT_EQ(QStringList({ "song.txt" }), list("List1")->entries());
}
