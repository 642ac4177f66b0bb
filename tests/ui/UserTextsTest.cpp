// Every text the user reads, written out here as the user reads it (never
// taken from the program's own constants), and checked where the program
// shows it: captions and tooltips in the real windows, messages by driving
// the action that shows them, file texts by a tiny run.
#include "engine/ExtractionRun.h"
#include "engine/RunProgress.h"
#include "io/TempDir.h"
#include "ui/MainFixture.h"
#include "ui/OutputFolderDialog.h"
#include "ui/keywords/KeywordPropertiesDialog.h"
#include "ui/keywords/KeywordSourceDialog.h"
#include "ui/keywords/NewKeywordDialog.h"
#include "ui/toolkit/DriveList.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <functional>
#include <map>

namespace tamsenor::testing {
namespace {

const QString Program = QStringLiteral("Tamsenor");
const std::string FileDialogFilter = "All Files(*.*)|*.*|Text Files(*.txt)|*.txt";

std::string Joined(const std::vector<QString>& texts)
{
    std::string out;
    for (const QString& text : texts)
        out += "\n" + text.toStdString();
    return out;
}

class UserTextsTest : public MainFixture {
protected:
    // What the user reads on a control: a window's caption, a frame's, button's or
    // label's caption without its access-key mark, a combo box's items.
    static QString captionOf(QObject* control)
    {
        if (auto* w = qobject_cast<QWidget*>(control); w && w->isWindow())
            return w->windowTitle();
        if (auto* frame = qobject_cast<QGroupBox*>(control))
            return shown(frame->title());
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            return shown(button->text());
        if (auto* label = qobject_cast<QLabel*>(control))
            return shown(label->text());
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            return items.join(u'|');
        }
        return QStringLiteral("(no caption)");
    }
    // A new window in a folder of its own, with prompts that have asked nothing.
    void fresh(const QString& dir)
    {
        main_.reset();
        prompts_ = ScriptedPrompts();
        ASSERT_TRUE(QDir(root_).mkpath(dir));
        start(dir);
    }
    QString here(const char* name) const { return QDir::current().filePath(QString::fromUtf8(name)); }
    void write(const char* name, const std::string& content) { WriteBytes(here(name).toStdString(), content); }
    void click(const char* name) { control<QAbstractButton>(name)->click(); }
    void keyword(const char* name, const char* position)
    {
        main_->session().keywords()->addNew(name, position);
        main_->refillKeywordList();
    }
    // The Process command on a.htm (holding `content`) with these switches ticked.
    void run(std::initializer_list<const char*> switches, const std::string& content = "see http://host/a now")
    {
        write("a.htm", content);
        list("List2")->addEntry(here("a.htm"));
        for (const char* name : switches)
            click(name);
        click("CmdProcess");
    }
    // A strip run into the folder "out".
    void strip()
    {
        QDir().mkdir("out");
        prompts_.answer(Answer::Ok).directory(here("out"));
        run({ "ChkStrip" }, "a\r\nb\r\nc");
    }
    void typeSuffix(const QString& text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(control<QComboBox>("Combo1")->lineEdit(), &press);
        }
    }
    // A drive list told of a drive that is not there, which the user then picks.
    void pickMissingDrive(DriveList* drives)
    {
        drives->setDrives({ { "/", "/" }, { here("usb"), "usb" } });
        drives->setDrive(here("usb"));
    }
    // The entry dialog of a new keyword, OK pressed on these texts.
    void enter(const QString& keyword, const QString& position)
    {
        NewKeywordDialog dialog(prompts_);
        dialog.keywordBox()->setText(keyword);
        dialog.positionBox()->setText(position);
        dialog.okButton()->click();
    }
};

TEST_F(UserTextsTest, CaptionsAndTooltips)
{
    enum class Shows { Caption, Tooltip };
    using enum Shows;
    struct Row {
        const char* window;
        const char* control;
        Shows shows;
        const char* text;
    };
    const Row rows[] = {
        { "Main", "Main", Caption, "Tamsenor" },
        { "Main", "Frame1", Caption, "Choosing Files" },
        { "Main", "Label4", Caption, "File Extention:" },
        { "Main", "Combo1", Caption, "* (All File)|asp|htm|html|txt" },
        { "Main", "CmdAdd", Caption, ">>" },
        { "Main", "CmdAdd", Tooltip, "Add the files you have selected to be processed" },
        { "Main", "Frame2", Caption, "Chosen Files" },
        { "Main", "Label3", Caption, "Total: 0" },
        { "Main", "CmdRfrs", Caption, "Refresh" },
        { "Main", "CmdRfrs", Tooltip, "Re-list the files in current directory" },
        { "Main", "CmdSelectAll1", Caption, "Select All" },
        { "Main", "CmdSelectAll1", Tooltip, "Select all the files in current directory" },
        { "Main", "Label5", Caption, "" },
        { "Main", "CmdSelectall2", Caption, "Clear" },
        { "Main", "CmdSelectall2", Tooltip, "Delete all the files" },
        { "Main", "CmdDele", Caption, "Deselect" },
        { "Main", "CmdDele", Tooltip, "Delete the file(s) you don't want it to be processed" },
        { "Main", "LblProgress", Caption, "" },
        { "Main", "Frame3", Caption, "Settings" },
        { "Main", "ChkKeyword", Caption, "Keywords." },
        { "Main", "ChkStrip", Caption, "Striping html Tags" },
        { "Main", "ChkWebsite", Caption, "Extracting web sites." },
        // The opt-in switches and commands.
        { "Main", "ChkEmail", Caption, "Extracting e-mails." },
        { "Main", "ChkLinks", Caption, "Links in markup." },
        { "Main", "ChkReadable", Caption, "Readable text (UTF-8)" },
        { "Main", "ChkMainText", Caption, "Main text only" },
        { "Main", "CmdBrowse", Caption, "Browse" },
        { "Main", "CmdHelp", Caption, "Help" },
        { "Main", "CmdUP", Caption, "up" },
        { "Main", "CmdUP", Tooltip, "Put the selected KeyWord to upper position" },
        { "Main", "CmdDown", Caption, "down" },
        { "Main", "CmdDown", Tooltip, "Put the selected KeyWord to lower position" },
        { "Main", "CmdAddKW", Caption, "New" },
        { "Main", "CmdAddKW", Tooltip, "Add a new KeyWord to current group of KeyWords" },
        { "Main", "CmdOpenKW", Caption, "Open" },
        { "Main", "CmdOpenKW", Tooltip, "Open a KeyWord text file" },
        { "Main", "CmdPropertyKW", Caption, "Property" },
        { "Main", "CmdPropertyKW", Tooltip, "Check/Change the selected KeyWord" },
        { "Main", "CmdSaveKW", Caption, "Save" },
        { "Main", "CmdSaveKW", Tooltip, "Save current group of KeyWords to a text file" },
        { "Main", "CmdKWClear", Caption, "Clear" },
        { "Main", "CmdKWClear", Tooltip, "Delete all current keywords" },
        { "Main", "CmdDeleKW", Caption, "Delete" },
        { "Main", "CmdDeleKW", Tooltip, "Delete a selected KeyWord from current group of KeyWords" },
        { "Main", "CmdProcess", Caption, "ProcessFiles" },
        { "Main", "CmdProcess", Tooltip, "Begin the processing" },
        { "Main", "CmdCancel", Caption, "Cancel" },
        { "Main", "CmdEnd", Caption, "Exit" },
        // The program is called by its window title only.
        { "Main", "CmdEnd", Tooltip, "Exit the \"Tamsenor\"" },
        { "FrmSHD", "FrmSHD", Caption, "Stripping HTML Tags Directory" },
        { "FrmSHD", "Frame1", Caption, "Directory" },
        { "FrmSHD", "Command1", Caption, "OK" },
        { "FrmSHD", "Command2", Caption, "Cancel" },
        { "FrmPreAdd", "FrmPreAdd", Caption, "New keyWords" },
        { "FrmPreAdd", "Frame1", Caption, "Keywords's source" },
        { "FrmPreAdd", "Option2", Caption, "New Keyword" },
        { "FrmPreAdd", "Option1", Caption, "Keywords from saved file" },
        { "FrmPreAdd", "Command1", Caption, "OK" },
        { "FrmPreAdd", "Command2", Caption, "Cancel" },
        { "FrmAddNewKW", "FrmAddNewKW", Caption, "Add New KeyWord" },
        { "FrmAddNewKW", "Label1", Caption, "Keyword:" },
        { "FrmAddNewKW", "Label5", Caption, "Position" },
        { "FrmAddNewKW", "Label7", Caption,
            "(For example, \"1, 2, 4, 6, 7, 10, ...\", please follow the entry format exactly)   " },
        { "FrmAddNewKW", "Command1", Caption, "OK" },
        { "FrmAddNewKW", "Command2", Caption, "Cancel" },
        { "FrmProperty", "FrmProperty", Caption, "Keyword Property" },
        { "FrmProperty", "Label2", Caption, "KeyWord " },
        { "FrmProperty", "Label4", Caption, "Position " },
        { "FrmProperty", "Label7", Caption,
            "(For example, \"1, 2, 4, 6, 7, 10, ...\", please follow the entry format exactly)   " },
        { "FrmProperty", "Command1", Caption, "OK" },
        { "FrmProperty", "Command2", Caption, "Cancel" },
    };
    start();
    OutputFolderDialog folder(prompts_);
    KeywordSourceDialog source;
    NewKeywordDialog added(prompts_);
    KeywordPropertiesDialog property(prompts_, 1, "price", "1, 2");
    const std::map<std::string, QWidget*> windows {
        { "Main", main_.get() },
        { "FrmSHD", &folder },
        { "FrmPreAdd", &source },
        { "FrmAddNewKW", &added },
        { "FrmProperty", &property },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.window) + " " + row.control);
        QWidget* window = windows.at(row.window);
        QObject* control = window->objectName() == QLatin1String(row.control)
            ? window
            : window->findChild<QObject*>(QString::fromLatin1(row.control));
        ASSERT_NE(nullptr, control);
        const QString read = row.shows == Tooltip ? qobject_cast<QWidget*>(control)->toolTip() : captionOf(control);
        EXPECT_EQ(row.text, read.toStdString());
    }
}

TEST_F(UserTextsTest, Messages)
{
    struct Row {
        const char* name;
        std::function<void()> act;
        const char* text; // %1: the path of `file`
        Icon icon;
        Buttons buttons;
        const char* title = "Tamsenor";
        const char* file = "";
    };
    using enum Icon;
    using enum Buttons;
    const Row rows[] = {
        { "no chosen file", [&] { click("CmdProcess"); }, "There is no file to be processed", None, Ok },
        { "no switch", [&] { run({}); }, "There is no process setting, so the files can not be process.", None, Ok },
        { "strip mode asks for a directory",
            [&] {
                prompts_.answer(Answer::Cancel);
                run({ "ChkStrip" });
            },
            "When Stripping HTML Tags processing is finished, please select a directory to save the results.", None,
            OkCancel },
        { "keywords without a keyword", [&] { run({ "ChkKeyword" }); },
            "While you want to have the files processed by KeyWord, there should have KeyWord.", None, Ok },
        { "two keywords of one name",
            [&] {
                keyword("price", "1");
                keyword("price", "2");
                run({ "ChkKeyword" });
            },
            "Some Keywords are same, please check the current Keywords and make sure they are unique.", Critical, Ok },
        { "a keyword named like a fixed column",
            [&] {
                keyword("FileName", "1");
                run({ "ChkKeyword" });
            },
            "Some Keywords are same, please check the current Keywords and make sure they are unique.", Critical, Ok },
        { "strip run finished", [&] { strip(); }, "Stripping HTML Tags processing is finished!", Information, Ok },
        { "file that cannot be opened",
            [&] {
                list("List2")->addEntry(here("gone.htm"));
                prompts_.answer(Answer::No);
                run({ "ChkWebsite" });
            },
            "The file '%1' has problem: No such file or directory,\r\n So, it can not be processed!", Critical, Ok,
            "Tamsenor", "gone.htm" },
        { "file that is no text",
            [&] {
                prompts_.answer(Answer::No);
                run({ "ChkWebsite" }, "a\x1A b");
            },
            "The file '%1' is not appropriate to be processed, \r\n So, it will be skipped!", Critical, Ok, "Tamsenor",
            "a.htm" },
        { "save the results",
            [&] {
                prompts_.answer(Answer::No);
                run({ "ChkWebsite" });
            },
            "The processing is finished, do you want to save the results?", None, YesNo },
        { "replace a results file",
            [&] {
                write("r.txt", "old");
                prompts_.answer(Answer::Yes).file(here("r.txt")).answer(Answer::No).file(std::nullopt);
                run({ "ChkWebsite" });
            },
            "The file %1 already exists, do you want to replace it?", None, YesNo, "Tamsenor", "r.txt" },
        { "exit",
            [&] {
                prompts_.answer(Answer::No);
                click("CmdEnd");
            },
            "Do you want to exit the program?", None, YesNo },
        { "keywords at closing",
            [&] {
                keyword("price", "1");
                prompts_.answer(Answer::No);
                main_->close();
            },
            "Do you want to save the current KeyWords?", None, YesNo },
        { "delete a keyword",
            [&] {
                keyword("price", "1");
                click("ChkKeyword");
                list("List3")->setEntrySelected(0, true);
                prompts_.answer(Answer::No);
                click("CmdDeleKW");
            },
            "Are you ready to delete the Keyword price ?", None, YesNo, "Delete KeyWord" },
        { "replace a keyword file",
            [&] {
                keyword("price", "1");
                write("k.txt", "old");
                prompts_.file(here("k.txt")).answer(Answer::No).file(std::nullopt);
                click("ChkKeyword");
                click("CmdSaveKW");
            },
            "The file %1 already exists, do you want to replace it?", None, YesNo, "Tamsenor", "k.txt" },
        { "drive not ready", [&] { pickMissingDrive(control<DriveList>("Drive1")); }, "The drive is not ready.",
            Exclamation, Ok },
        { "drive not ready in the directory dialog",
            [&] {
                OutputFolderDialog dialog(prompts_);
                pickMissingDrive(dialog.driveList());
            },
            "The drive is not ready.", Exclamation, Ok },
        { "suffix refused", [&] { typeSuffix("/"); }, "The suffix of the files is wrong", Critical, Ok },
        { "no keyword typed", [&] { enter("", "1"); }, "Please entry key word", Critical, Ok },
        { "no positions typed", [&] { enter("k", ""); }, "Please entry position numbers.", Critical, Ok },
        { "keyword of 101 characters", [&] { enter(QString(101, u'k'), "1"); },
            "The keyword you 've entered is too big to be accepted", Critical, Ok },
        { "positions not a list", [&] { enter("k", "1,"); }, "The format of the positions' number is not correct!",
            Critical, Ok },
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fresh(QStringLiteral("m%1").arg(n++));
        row.act();
        const QString expected = QString::fromUtf8(row.text).replace(QLatin1String("%1"), here(row.file));
        const auto messages = prompts_.messages();
        const auto shown = std::find_if(messages.begin(), messages.end(), [&](auto& m) { return m.text == expected; });
        if (shown == messages.end()) {
            ADD_FAILURE() << "not shown: " << expected.toStdString() << "\nshown:" << Joined(prompts_.messageTexts());
            continue;
        }
        EXPECT_EQ(row.icon, shown->icon);
        EXPECT_EQ(row.buttons, shown->buttons);
        EXPECT_EQ(row.title, (shown->title.isEmpty() ? Program : shown->title).toStdString());
        for (const auto& asked : prompts_.asked)
            if (asked.kind == ScriptedPrompts::Kind::OpenFile || asked.kind == ScriptedPrompts::Kind::SaveFile) {
                EXPECT_EQ(FileDialogFilter, asked.fileDialog.filter.toStdString());
                EXPECT_EQ(2, asked.fileDialog.filterIndex) << "Text Files(*.txt)";
            }
        EXPECT_TRUE(prompts_.scriptUsedUp());
    }
}

// Texts of actions too costly to drive here (a file of 2 GiB, a run caught
// in the middle): the program's text for them, written out.
TEST_F(UserTextsTest, TextsOfCostlyActions)
{
    EXPECT_EQ("Sorry, the file '/d/a.htm' is too large, it will be truncated!",
        messages::FileTooLarge(QStringLiteral("/d/a.htm")).toStdString());
    EXPECT_EQ("/d/a.htm ( 1234.57k )", ProgressCaption(QStringLiteral("/d/a.htm"), 1234567).toStdString());
}

// Each file as the run writes it, %1 standing for the path of a.htm.
TEST_F(UserTextsTest, FileTexts)
{
    struct Row {
        const char* name;
        std::function<void()> act;
        const char* output;
        const char* text;
    };
    const Row rows[] = {
        { "stripped text", [&] { strip(); }, "out/ahtm.txt", " From: %1\r\nabc\r\n" },
        { "results file",
            [&] {
                keyword("Total:", "1");
                prompts_.answer(Answer::Yes).file(here("r.txt"));
                run({ "ChkEmail", "ChkWebsite", "ChkKeyword" }, "mail p@q see http://host/a Total: 5 and more");
            },
            "r.txt", "Email\tWebSite\tTotal:\tFileName\tProcessTime\r\np@q\thttp://host/a\t5\t%1\tMar-5-24 10:00\r\n" },
        { "keyword file",
            [&] {
                keyword("price", "1, 2");
                keyword("model", "3");
                prompts_.file(here("k.txt"));
                click("ChkKeyword");
                click("CmdSaveKW");
            },
            "k.txt", "price\t1, 2\r\nmodel\t3\r\n" },
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fresh(QStringLiteral("f%1").arg(n++));
        row.act();
        const QString expected = QString::fromUtf8(row.text).replace(QLatin1String("%1"), here("a.htm"));
        EXPECT_EQ(expected.toStdString(), ReadBytes(here(row.output).toStdString()));
        EXPECT_TRUE(prompts_.scriptUsedUp());
    }
}

} // namespace
} // namespace tamsenor::testing
