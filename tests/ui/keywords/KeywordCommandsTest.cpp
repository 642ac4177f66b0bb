#include "ui/keywords/KeywordCommands.h"
#include "ui/keywords/PositionSyntax.h"
#include "io/TempDir.h"
#include "ui/keywords/KeywordSourceDialog.h"
#include "ui/keywords/KeywordPropertiesDialog.h"
#include "support/ScriptedPrompts.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tamsenor {
namespace {

using testing::ReadBytes;
using testing::ScriptedPrompts;
using testing::TempDir;
using testing::WriteBytes;
using Step = std::function<void(QDialog&)>;
using Kind = ScriptedPrompts::Kind;

QPushButton* Button(QDialog& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

// KeywordSourceDialog: pick a source and press OK.
Step ChooseSource(KeywordSourceDialog::Source source)
{
    return [source](QDialog& dialog) {
        EXPECT_EQ(QStringLiteral("FrmPreAdd"), dialog.objectName());
        const char* option = source == KeywordSourceDialog::Source::NewKeyword ? "Option2" : "Option1";
        dialog.findChild<QRadioButton*>(QString::fromLatin1(option))->click();
        Button(dialog, "Command1")->click();
    };
}

// An entry dialog: type both texts and press OK.
Step Enter(const QString& keyword, const QString& position)
{
    return [=](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("TxtKeyWord"))->setText(keyword);
        dialog.findChild<QLineEdit*>(QStringLiteral("TxtPosition"))->setText(position);
        Button(dialog, "Command1")->click();
    };
}

Step Press(const char* button)
{
    return [button](QDialog& dialog) { Button(dialog, button)->click(); };
}

class KeywordCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        keywordList->setObjectName(QStringLiteral("List3"));
        keywordList->setSelectionMode(QAbstractItemView::SingleSelection);
        session.useKeywords(std::make_shared<KeywordFile>());
        commands = std::make_unique<KeywordCommands>(&window, session, prompts, keywordList, [this] { refill(); });
        commands->setModalRunner([this](QDialog& dialog) {
            shown.push_back(dialog.objectName());
            if (script.empty()) {
                ADD_FAILURE() << "unscripted dialog " << dialog.objectName().toStdString();
                return;
            }
            Step step = std::move(script.front());
            script.pop_front();
            dialog.show();
            step(dialog);
            EXPECT_FALSE(dialog.isVisible()) << "a modal dialog was left open";
        });
    }

    void TearDown() override
    {
        EXPECT_TRUE(prompts.scriptUsedUp());
        EXPECT_TRUE(script.empty());
    }

    // What the main window's refillKeywordList does.
    void refill()
    {
        keywordList->clear();
        if (session.keywords())
            for (const KeywordTable::Record& record : session.keywords()->records())
                keywordList->addItem(QString::fromLocal8Bit(record.name));
    }

    void setKeywords(const std::vector<KeywordTable::Record>& records)
    {
        session.useKeywords(std::make_shared<KeywordFile>());
        for (const auto& record : records)
            session.keywords()->addNew(record.name, record.position);
        refill();
    }

    // "name:position" per record, in table order.
    std::vector<std::string> table() const
    {
        std::vector<std::string> out;
        if (session.keywords())
            for (const auto& record : session.keywords()->records())
                out.push_back(record.name + ":" + record.position);
        return out;
    }

    std::vector<std::string> entries() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < keywordList->count(); ++i)
            out.push_back(keywordList->item(i)->text().toStdString());
        return out;
    }

    int selected() const
    {
        const auto items = keywordList->selectedItems();
        return items.isEmpty() ? -1 : keywordList->row(items.first());
    }

    QString path(const char* name) const { return QString::fromStdString(dir.file(name)); }

    QWidget window;
    QListWidget* keywordList = new QListWidget(&window);
    SessionState session;
    ScriptedPrompts prompts;
    std::deque<Step> script;
    std::vector<QString> shown;
    std::unique_ptr<KeywordCommands> commands;
    TempDir dir;
};

const std::vector<KeywordTable::Record> ABC = { { "A", "1" }, { "B", "2" }, { "C", "3" } };

TEST_F(KeywordCommandsTest, NewKeywordIsAppendedLastExactlyAsTyped)
{
    setKeywords(ABC);
    keywordList->setCurrentRow(0);
    script.push_back(ChooseSource(KeywordSourceDialog::Source::NewKeyword));
    script.push_back([](QDialog& dialog) {
        EXPECT_EQ(QStringLiteral("FrmAddNewKW"), dialog.objectName());
        EXPECT_EQ(QStringLiteral("FrmPreAdd"), dialog.parentWidget()->objectName()); // stays behind it
        Enter(QStringLiteral("A"), QStringLiteral("1,"))(dialog); // refused, stays open
        Enter(QStringLiteral(" D "), QStringLiteral(" 2,12, 3 "))(dialog);
    });
    commands->New();

    EXPECT_EQ((std::vector<QString> { "FrmPreAdd", "FrmAddNewKW" }), shown);
    EXPECT_EQ((std::vector<QString> { "The format of the positions' number is not correct!" }), prompts.messageTexts());
    EXPECT_EQ((std::vector<std::string> { "A:1", "B:2", "C:3", " D : 2,12, 3 " }), table());
    EXPECT_EQ((std::vector<std::string> { "A", "B", "C", " D " }), entries());
    EXPECT_EQ(-1, selected());
}

TEST_F(KeywordCommandsTest, NewCancelledChangesNothing)
{
    setKeywords(ABC);
    script.push_back(Press("Command2")); // KeywordSourceDialog
    script.push_back(ChooseSource(KeywordSourceDialog::Source::NewKeyword));
    script.push_back(Press("Command2")); // NewKeywordDialog
    commands->New();
    commands->New();
    EXPECT_EQ((std::vector<std::string> { "A:1", "B:2", "C:3" }), table());
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(KeywordCommandsTest, SavedFileSourcePutsTheFileFirst)
{
    setKeywords({ { "A", "1" }, { "B", "2" } });
    WriteBytes(dir.file("cd.txt"), "C\t3\r\nD\t4\r\n");
    prompts.file(path("cd.txt"));
    script.push_back(ChooseSource(KeywordSourceDialog::Source::SavedFile));
    commands->New();

    EXPECT_EQ((std::vector<std::string> { "C:3", "D:4", "A:1", "B:2" }), table());
    EXPECT_EQ((std::vector<std::string> { "C", "D", "A", "B" }), entries());
    EXPECT_EQ(path("cd.txt"), session.keywordOpenPath);
    ASSERT_EQ(1u, prompts.asked.size());
    EXPECT_EQ(Kind::OpenFile, prompts.asked[0].kind);
    EXPECT_EQ(TextFileFilter, prompts.asked[0].fileDialog.filter);
    EXPECT_EQ(2, prompts.asked[0].fileDialog.filterIndex);
    EXPECT_EQ(QStringLiteral("FrmPreAdd.CommonDialog1"), prompts.asked[0].fileDialog.dialog);
}

TEST_F(KeywordCommandsTest, SavedFileSourceCancelledKeepsTheKeywords)
{
    setKeywords({ { "A", "1" }, { "B", "2" } });
    const KeywordFile* before = session.keywordFile.get();
    prompts.file(std::nullopt);
    script.push_back(ChooseSource(KeywordSourceDialog::Source::SavedFile));
    commands->New();
    EXPECT_EQ(before, session.keywordFile.get());
    EXPECT_EQ((std::vector<std::string> { "A:1", "B:2" }), table());
}

TEST_F(KeywordCommandsTest, UpAndDownSwapNeighboursAndKeepTheSelection)
{
    struct Row {
        const char* name;
        int select; // -1: nothing selected
        bool up;
        std::vector<std::string> table;
        int selected;
    };
    const Row rows[] = {
        { "up in the middle", 1, true, { "B:2", "A:1", "C:3" }, 0 },
        { "up from the last", 2, true, { "A:1", "C:3", "B:2" }, 1 },
        { "up from the first", 0, true, { "A:1", "B:2", "C:3" }, 0 },
        { "up with nothing selected", -1, true, { "A:1", "B:2", "C:3" }, -1 },
        { "down in the middle", 1, false, { "A:1", "C:3", "B:2" }, 2 },
        { "down from the first", 0, false, { "B:2", "A:1", "C:3" }, 1 },
        { "down from the last", 2, false, { "A:1", "B:2", "C:3" }, 2 },
        { "down with nothing selected", -1, false, { "A:1", "B:2", "C:3" }, -1 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setKeywords(ABC);
        if (row.select >= 0)
            keywordList->setCurrentRow(row.select);
        row.up ? commands->Up() : commands->Down();
        EXPECT_EQ(row.table, table());
        EXPECT_EQ(3, keywordList->count());
        EXPECT_EQ(row.selected, selected());
        if (row.selected >= 0) {
            EXPECT_EQ(row.table[row.selected].substr(0, 1), keywordList->item(row.selected)->text().toStdString());
        }
    }
}

TEST_F(KeywordCommandsTest, DeleteAsksAndNoKeepsTheKeyword)
{
    setKeywords(ABC);
    keywordList->setCurrentRow(1);
    prompts.answer(Answer::No);
    commands->Delete();
    ASSERT_EQ(1u, prompts.asked.size());
    EXPECT_EQ(QStringLiteral("Are you ready to delete the Keyword B ?"), prompts.asked[0].text);
    EXPECT_EQ(QStringLiteral("Delete KeyWord"), prompts.asked[0].title);
    EXPECT_EQ(Icon::None, prompts.asked[0].icon);
    EXPECT_EQ(Buttons::YesNo, prompts.asked[0].buttons);
    EXPECT_EQ((std::vector<std::string> { "A:1", "B:2", "C:3" }), table());
    EXPECT_EQ(-1, selected());

    keywordList->setCurrentRow(1);
    prompts.answer(Answer::Yes);
    commands->Delete();
    EXPECT_EQ((std::vector<std::string> { "A:1", "C:3" }), table());
    EXPECT_EQ((std::vector<std::string> { "A", "C" }), entries());
    EXPECT_EQ(-1, selected());

    commands->Delete(); // nothing selected: no question
    EXPECT_EQ(2u, prompts.asked.size());
}

TEST_F(KeywordCommandsTest, ClearEmptiesWithoutAQuestion)
{
    setKeywords(ABC);
    keywordList->setCurrentRow(2);
    commands->Clear();
    EXPECT_TRUE(table().empty());
    EXPECT_EQ(0, keywordList->count());
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(KeywordCommandsTest, PropertyEditsTheRecordInPlace)
{
    setKeywords(ABC);
    commands->Property(); // nothing selected
    EXPECT_EQ(nullptr, commands->openProperty());

    keywordList->setCurrentRow(1);
    commands->Property();
    KeywordPropertiesDialog* dialog = commands->openProperty();
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(QStringLiteral("B"), dialog->keywordBox()->text());
    EXPECT_EQ(QStringLiteral("2"), dialog->positionBox()->text());

    // Pressing Property again with another keyword selected keeps the open one on B.
    keywordList->setCurrentRow(2);
    commands->Property();
    EXPECT_EQ(dialog, commands->openProperty());
    EXPECT_EQ(QStringLiteral("B"), dialog->keywordBox()->text());

    dialog->keywordBox()->setText(QStringLiteral("B2 "));
    dialog->positionBox()->setText(QString(101, QChar('1')));
    dialog->okButton()->click();
    EXPECT_EQ(
        (std::vector<QString> { "The positions you 've entered are too long to be accepted" }), prompts.messageTexts());
    EXPECT_EQ(dialog, commands->openProperty());

    dialog->positionBox()->setText(QStringLiteral("4, 5"));
    dialog->okButton()->click();
    EXPECT_EQ(nullptr, commands->openProperty());
    EXPECT_EQ((std::vector<std::string> { "A:1", "B2 :4, 5", "C:3" }), table());
    EXPECT_EQ((std::vector<std::string> { "A", "B2 ", "C" }), entries());
    EXPECT_EQ(-1, selected());
}

TEST_F(KeywordCommandsTest, PropertyCancelledStoresNothing)
{
    setKeywords(ABC);
    keywordList->setCurrentRow(0);
    commands->Property();
    ASSERT_NE(nullptr, commands->openProperty());
    commands->openProperty()->keywordBox()->setText(QStringLiteral("Z"));
    commands->openProperty()->cancelButton()->click();
    EXPECT_EQ(nullptr, commands->openProperty());
    EXPECT_EQ((std::vector<std::string> { "A:1", "B:2", "C:3" }), table());
}

TEST_F(KeywordCommandsTest, OpenPropertyHoldsOffCommandsThatMoveOrDropItsRecord)
{
    struct Row {
        const char* name;
        void (KeywordCommands::*command)();
    };
    const Row rows[] = {
        { "Delete", &KeywordCommands::Delete },
        { "Clear", &KeywordCommands::Clear },
        { "Up", &KeywordCommands::Up },
        { "Down", &KeywordCommands::Down },
        { "Open", &KeywordCommands::Open },
        { "New", &KeywordCommands::New },
    };
    setKeywords(ABC);
    keywordList->setCurrentRow(1);
    commands->Property();
    KeywordPropertiesDialog* dialog = commands->openProperty();
    ASSERT_NE(nullptr, dialog);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        keywordList->setCurrentRow(1);
        (commands.get()->*row.command)();
        EXPECT_EQ((std::vector<std::string> { "A:1", "B:2", "C:3" }), table());
        EXPECT_EQ(3, keywordList->count());
        EXPECT_TRUE(prompts.asked.empty());
        EXPECT_TRUE(shown.empty());
        EXPECT_EQ(dialog, commands->openProperty());
    }
    // Saving changes no record, so it stays available.
    prompts.file(path("k.txt"));
    commands->Save();
    EXPECT_EQ("A\t1\r\nB\t2\r\nC\t3\r\n", ReadBytes(dir.file("k.txt")));

    dialog->keywordBox()->setText(QStringLiteral("Bee"));
    dialog->okButton()->click();
    EXPECT_EQ((std::vector<std::string> { "A:1", "Bee:2", "C:3" }), table());
}

TEST_F(KeywordCommandsTest, OpenReplacesTheKeywords)
{
    setKeywords({ { "X", "9" }, { "Y", "8" } });
    keywordList->setCurrentRow(0);
    WriteBytes(dir.file("ab.txt"), "A\t1\r\nB\t2\r\n");
    prompts.file(path("ab.txt"));
    commands->Open();
    EXPECT_EQ((std::vector<std::string> { "A:1", "B:2" }), table());
    EXPECT_EQ((std::vector<std::string> { "A", "B" }), entries());
    EXPECT_EQ(-1, selected());
    EXPECT_EQ(path("ab.txt"), session.keywordOpenPath);
    EXPECT_EQ(&session.keywordFile->table, session.keywords());
    ASSERT_EQ(1u, prompts.asked.size());
    EXPECT_EQ(Kind::OpenFile, prompts.asked[0].kind);
    EXPECT_EQ(TextFileFilter, prompts.asked[0].fileDialog.filter);
    EXPECT_EQ(2, prompts.asked[0].fileDialog.filterIndex);
    EXPECT_EQ(QString(), prompts.asked[0].fileDialog.dialog);
}

TEST_F(KeywordCommandsTest, OpenCancelledKeepsEverything)
{
    setKeywords({ { "X", "9" }, { "Y", "8" } });
    keywordList->setCurrentRow(1);
    const KeywordFile* before = session.keywordFile.get();
    prompts.file(std::nullopt);
    commands->Open();
    EXPECT_EQ(before, session.keywordFile.get());
    EXPECT_EQ((std::vector<std::string> { "X:9", "Y:8" }), table());
    EXPECT_EQ((std::vector<std::string> { "X", "Y" }), entries());
    EXPECT_EQ(1, selected());
    EXPECT_EQ(QString(), session.keywordOpenPath);
}

// A file that cannot be read leaves the keywords exactly as they were and says why.
TEST_F(KeywordCommandsTest, UnreadableFileKeepsTheKeywords)
{
    std::filesystem::create_directory(dir.file("folder"));
    struct Row {
        const char* name;
        const char* file;
        bool viaNew;
    };
    const Row rows[] = {
        { "Open of a missing file", "missing.txt", false },
        { "Open of a directory", "folder", false },
        { "saved-file source of a missing file", "missing.txt", true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setKeywords({ { "A", "1" }, { "B", "2" } });
        const KeywordFile* before = session.keywordFile.get();
        prompts.asked.clear();
        prompts.file(path(row.file));
        if (row.viaNew) {
            script.push_back(ChooseSource(KeywordSourceDialog::Source::SavedFile));
            commands->New();
        } else {
            commands->Open();
        }
        const std::string reason = KeywordFile(dir.file(row.file)).loadReport().reason;
        ASSERT_FALSE(reason.empty());
        const auto messages = prompts.messages();
        ASSERT_EQ(1u, messages.size());
        EXPECT_EQ(QStringLiteral("The KeyWord file '") + path(row.file) + QStringLiteral("' can not be read: ")
                + QString::fromStdString(reason) + QStringLiteral(". The current KeyWords are kept."),
            messages[0].text);
        EXPECT_EQ(Icon::Exclamation, messages[0].icon);
        EXPECT_EQ(Buttons::Ok, messages[0].buttons);
        EXPECT_EQ(before, session.keywordFile.get());
        EXPECT_EQ((std::vector<std::string> { "A:1", "B:2" }), table());
        EXPECT_EQ((std::vector<std::string> { "A", "B" }), entries());
    }
}

// A load that stopped at an over-long value keeps what came before and says
// where it stopped and why, as the entry dialogs would.
TEST_F(KeywordCommandsTest, PartialLoadIsReported)
{
    const std::string over(101, 'x');
    const QString keyword = QString::fromLatin1(EntryProblemMessage(EntryProblem::KeywordTooLong));
    const QString positions = QString::fromLatin1(EntryProblemMessage(EntryProblem::PositionTooLong));
    struct Row {
        const char* name;
        std::string content;
        bool viaNew;
        std::vector<std::string> table;
        QString lead; // %1 the path
        QString why;
    };
    const Row rows[] = {
        { "Open", "C\t3\r\n" + over + "\t4\r\nD\t5\r\n", false, { "C:3" },
            "Only the KeyWords before line 2 of '%1' were loaded, line 2 was refused: ", keyword },
        { "saved-file source", "C\t3\r\n" + over + "\t4\r\nD\t5\r\n", true, { "C:3", "A:1", "B:2" },
            "Only the KeyWords before line 2 of '%1' were loaded, line 2 was refused: ", keyword },
        { "first keyword refused", over + "\t1\nD\t5\n", false, {}, "No KeyWord of '%1' was loaded, line 1 was refused: ",
            keyword },
        { "positions too long", "C\t3\n" + std::string("D\t") + over + "\n", false, { "C:3" },
            "Only the KeyWords before line 2 of '%1' were loaded, line 2 was refused: ", positions },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes(dir.file("long.txt"), row.content);
        setKeywords({ { "A", "1" }, { "B", "2" } });
        prompts.asked.clear();
        prompts.file(path("long.txt"));
        if (row.viaNew) {
            script.push_back(ChooseSource(KeywordSourceDialog::Source::SavedFile));
            commands->New();
        } else {
            commands->Open();
        }
        EXPECT_EQ(row.table, table());
        EXPECT_EQ(static_cast<int>(row.table.size()), keywordList->count());
        const auto messages = prompts.messages();
        ASSERT_EQ(1u, messages.size());
        EXPECT_EQ(row.lead.arg(path("long.txt")) + row.why + " (over 100 characters).", messages[0].text);
        EXPECT_EQ(Icon::Exclamation, messages[0].icon);
    }
}

// A UTF-16 file would load as garbage: it is refused by name and the keywords stay.
TEST_F(KeywordCommandsTest, Utf16FileIsRefusedByName)
{
    WriteBytes(dir.file("wide.txt"), std::string("\xFF\xFEX\0\t\0" "1\0", 8));
    setKeywords({ { "A", "1" } });
    prompts.file(path("wide.txt"));
    commands->Open();
    EXPECT_EQ((std::vector<QString> { "The KeyWord file '" + path("wide.txt")
                  + "' is UTF-16LE text, which can not be read: save it as UTF-8 (plain text) and open it again. "
                    "The current KeyWords are kept." }),
        prompts.messageTexts());
    EXPECT_EQ((std::vector<std::string> { "A:1" }), table());
}

TEST_F(KeywordCommandsTest, SaveAsksBeforeReplacing)
{
    const std::string content = "A\t1\r\nB\t2\r\n";
    struct Row {
        const char* name;
        bool exists;
        std::vector<Answer> answers;
        std::vector<std::optional<const char*>> files; // chosen in the save dialog, in turn
        std::string oldContent; // of old.txt afterwards
        std::string otherContent; // of other.txt afterwards
        bool danglingLink = false; // old.txt is a link to nothing
    };
    const Row rows[] = {
        { "new file", false, {}, { "old.txt" }, content, "" },
        { "replace answered Yes", true, { Answer::Yes }, { "old.txt" }, content, "" },
        { "No, then cancel", true, { Answer::No }, { "old.txt", std::nullopt }, "old", "" },
        { "No, then another name", true, { Answer::No }, { "old.txt", "other.txt" }, "old", content },
        { "cancelled at once", true, {}, { std::nullopt }, "old", "" },
        // A taken name is asked about whatever takes it, as the results save does.
        { "a dangling link, No, then cancel", false, { Answer::No }, { "old.txt", std::nullopt }, "", "", true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir here;
        if (row.exists)
            WriteBytes(here.file("old.txt"), "old");
        if (row.danglingLink)
            std::filesystem::create_symlink(here.file("missing.txt"), here.file("old.txt"));
        setKeywords({ { "A", "1" }, { "B", "2" } });
        keywordList->setCurrentRow(1);
        prompts.asked.clear();
        for (Answer answer : row.answers)
            prompts.answer(answer);
        for (const auto& file : row.files)
            prompts.file(file ? std::optional<QString>(QString::fromStdString(here.file(*file))) : std::nullopt);
        commands->Save();

        EXPECT_EQ(row.oldContent, ReadBytes(here.file("old.txt")));
        EXPECT_EQ(row.otherContent, ReadBytes(here.file("other.txt")));
        EXPECT_EQ(1, selected()); // Save leaves the list as it was
        const auto messages = prompts.messages();
        ASSERT_EQ(row.answers.size(), messages.size());
        if (!messages.empty()) {
            EXPECT_EQ(QStringLiteral("The file ") + QString::fromStdString(here.file("old.txt"))
                    + QStringLiteral(" already exists, do you want to replace it?"),
                messages[0].text);
            EXPECT_EQ(Icon::None, messages[0].icon);
            EXPECT_EQ(Buttons::YesNo, messages[0].buttons);
            EXPECT_EQ(QString(), messages[0].title);
        }
        for (const auto& asked : prompts.asked) {
            if (asked.kind == Kind::SaveFile) {
                EXPECT_EQ(TextFileFilter, asked.fileDialog.filter);
                EXPECT_EQ(2, asked.fileDialog.filterIndex);
            }
        }
        if (row.files.back()) {
            EXPECT_EQ(QString::fromStdString(here.file(*row.files.back())), session.keywordSavePath);
        }
    }
}

TEST_F(KeywordCommandsTest, SaveOfAnEmptyTableWritesNoBytes)
{
    prompts.file(path("empty.txt"));
    commands->Save();
    ASSERT_TRUE(std::filesystem::exists(dir.file("empty.txt")));
    EXPECT_EQ(0u, std::filesystem::file_size(dir.file("empty.txt")));
}

// A failed write says so and offers the save dialog again.
TEST_F(KeywordCommandsTest, FailedSaveIsReportedAndAskedAgain)
{
    setKeywords({ { "A", "1" } });
    WriteBytes(dir.file("kept.txt"), "old");
    const QString badPath = path("no-such-dir/k.txt");
    const std::string reason = KeywordFile().WriteToFile(badPath.toStdString()).reason;
    ASSERT_FALSE(reason.empty());
    const QString expected
        = QStringLiteral("The KeyWords could not be saved to '") + badPath + "': " + QString::fromStdString(reason);

    prompts.file(badPath).file(path("good.txt"));
    commands->Save();
    auto messages = prompts.messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(expected, messages[0].text);
    EXPECT_EQ(Icon::Critical, messages[0].icon);
    EXPECT_EQ(Buttons::Ok, messages[0].buttons);
    EXPECT_EQ("A\t1\r\n", ReadBytes(dir.file("good.txt")));

    // Disk full while replacing: the old file stays whole; cancelling ends the command.
    prompts.asked.clear();
    {
        testing::WriteFailureAfter diskFull(2);
        prompts.answer(Answer::Yes).file(path("kept.txt")).file(std::nullopt);
        commands->Save();
    }
    messages = prompts.messages();
    ASSERT_EQ(2u, messages.size());
    EXPECT_TRUE(
        messages[1].text.startsWith(QStringLiteral("The KeyWords could not be saved to '") + path("kept.txt") + "': "))
        << messages[1].text.toStdString();
    EXPECT_EQ("old", ReadBytes(dir.file("kept.txt")));
    EXPECT_EQ(std::vector<std::string> { "A:1" }, table());
}

TEST_F(KeywordCommandsTest, ClosingAsksOnlyWhenThereAreKeywords)
{
    struct Row {
        const char* name;
        bool keywords;
        std::optional<Answer> answer;
        std::vector<std::optional<const char*>> files;
        std::string written; // content of k.txt afterwards ("old" = untouched)
        int failures;
    };
    const Row rows[] = {
        { "no keywords", false, std::nullopt, {}, "old", 0 },
        { "answered No", true, Answer::No, {}, "old", 0 },
        { "Yes replaces without asking", true, Answer::Yes, { "k.txt" }, "A\t1\r\n", 0 },
        { "Yes, then cancel", true, Answer::Yes, { std::nullopt }, "old", 0 },
        { "Yes, write fails, then cancel", true, Answer::Yes, { "no-such-dir/k.txt", std::nullopt }, "old", 1 },
        { "Yes, write fails, then another", true, Answer::Yes, { "no-such-dir/k.txt", "k.txt" }, "A\t1\r\n", 1 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir here;
        WriteBytes(here.file("k.txt"), "old");
        setKeywords(
            row.keywords ? std::vector<KeywordTable::Record> { { "A", "1" } } : std::vector<KeywordTable::Record> {});
        prompts.asked.clear();
        if (row.answer)
            prompts.answer(*row.answer);
        for (const auto& file : row.files)
            prompts.file(file ? std::optional<QString>(QString::fromStdString(here.file(*file))) : std::nullopt);
        commands->SaveQuestionAtExit();

        EXPECT_EQ(row.written, ReadBytes(here.file("k.txt")));
        EXPECT_EQ(nullptr, session.keywordFile);
        EXPECT_EQ(nullptr, session.keywords());
        const auto messages = prompts.messages();
        ASSERT_EQ((row.answer ? 1u : 0u) + row.failures, messages.size());
        if (row.answer) {
            EXPECT_EQ(QStringLiteral("Do you want to save the current KeyWords?"), messages[0].text);
            EXPECT_EQ(Icon::None, messages[0].icon);
            EXPECT_EQ(Buttons::YesNo, messages[0].buttons);
            EXPECT_EQ(QString(), messages[0].title);
        }
        if (row.failures) {
            EXPECT_EQ(Icon::Critical, messages[1].icon);
        }
    }
}

TEST_F(KeywordCommandsTest, ClosingClosesAnOpenProperty)
{
    setKeywords(ABC);
    keywordList->setCurrentRow(0);
    commands->Property();
    ASSERT_NE(nullptr, commands->openProperty());
    commands->openProperty()->keywordBox()->setText(QStringLiteral("Z"));
    prompts.answer(Answer::No);
    commands->SaveQuestionAtExit();
    EXPECT_EQ(nullptr, commands->openProperty());
    EXPECT_EQ(nullptr, session.keywordFile);
}

} // namespace
} // namespace tamsenor
