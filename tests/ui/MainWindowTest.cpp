#include "MainFixture.h"

#include "ui/toolkit/DirList.h"
#include "ui/toolkit/SystemColours.h"

#include <QComboBox>
#include <QTimer>

#include <functional>

using namespace tamsenor;
using namespace tamsenor::testing;

namespace {

const char* const KeywordButtons[]
    = { "CmdAddKW", "CmdDeleKW", "CmdKWClear", "CmdPropertyKW", "CmdOpenKW", "CmdSaveKW", "CmdUP", "CmdDown" };

// The caption colour an unchecked switch is given: the workspace grey.
QPalette::ColorRole grey()
{
    return QPalette::Dark;
}

QPalette::ColorRole captionRole(const CheckBox* box)
{
    return box->captionColour().role();
}

QPalette::ColorRole backgroundRole(const ListBox* list)
{
    return list->backgroundColour().role();
}

} // namespace

class MainWindowTest : public MainFixture {
protected:
    void addKeywords(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            main_->session().keywords()->addNew(n, "1");
        main_->refillKeywordList();
    }

    // The state the reset leaves behind, whatever came before.
    void expectIdle()
    {
        for (const char* name : { "ChkStrip", "ChkWebsite", "ChkEmail", "ChkLinks", "ChkKeyword" }) {
            SCOPED_TRACE(name);
            EXPECT_FALSE(check(name)->isChecked());
            EXPECT_TRUE(check(name)->isEnabled());
            EXPECT_EQ(grey(), captionRole(check(name)));
        }
        EXPECT_FALSE(list("List3")->isEnabled());
        EXPECT_EQ(QPalette::Button, backgroundRole(list("List3")));
        for (const char* name : KeywordButtons) {
            SCOPED_TRACE(name);
            EXPECT_FALSE(button(name)->isEnabled());
        }
        EXPECT_FALSE(button("CmdCancel")->isEnabled());
        EXPECT_TRUE(button("CmdProcess")->isEnabled());
        EXPECT_TRUE(button("CmdEnd")->isEnabled());
        const MainState& s = main_->state();
        EXPECT_FALSE(s.settings.email);
        EXPECT_FALSE(s.settings.website);
        EXPECT_FALSE(s.settings.keyword);
        EXPECT_FALSE(s.settings.strip);
        EXPECT_FALSE(s.run.cancelRequested);
        EXPECT_EQ(nullptr, s.run.results);
        EXPECT_EQ(0.0f, control<ProgressBar>("PBProgress")->value());
        EXPECT_EQ(0.0f, control<ProgressBar>("PBFProgress")->value());
        EXPECT_EQ(0, list("List2")->count());
        EXPECT_EQ(QString(), caption("Label5"));
        EXPECT_EQ(QString(), caption("LblProgress"));
        EXPECT_EQ(QString("Total: %1").arg(list("List1")->count()), caption("Label3"));
    }
};

TEST_F(MainWindowTest, StartListsNamesWithoutExtensionAndIsIdle)
{
    makeFile("README");
    makeFile("LICENSE");
    makeFile("a.htm");
    start();
    EXPECT_EQ(QStringList({ "LICENSE", "README" }), list("List1")->entries());
    EXPECT_EQ(QString("Total: 2"), caption("Label3"));
    EXPECT_EQ(0, list("List3")->count());
    EXPECT_TRUE(main_->state().keywordsLoaded);
    ASSERT_NE(nullptr, main_->session().keywordFile);
    EXPECT_EQ(&main_->session().keywordFile->table, main_->session().keywords());
    expectIdle();
}

TEST_F(MainWindowTest, ResetAfterABusyRunReturnsToIdleAndKeepsKeywords)
{
    makeFile("a.htm");
    makeFile("b.htm");
    start();
    auto* combo = control<QComboBox>("Combo1");
    combo->setEditText("htm");
    addKeywords({ "Price", "Phone" });
    KeywordTable* table = main_->session().keywords();

    // Everything a run and the user may leave behind.
    check("ChkWebsite")->click();
    check("ChkKeyword")->click();
    check("ChkEmail")->click();
    check("ChkLinks")->click();
    list("List2")->addEntry("/x/a.htm");
    main_->setCommandsEnabled(false, false, true);
    main_->setOverallProgress(85.74f);
    main_->setFileProgress(100.0f);
    main_->setProgressCaption("/x/a.htm ( 1.2k )");
    main_->state().run.cancelRequested = true;
    main_->state().run.results = std::make_shared<RunResults>(std::vector<std::string> { "WebSite", "FileName" });
    control<QLabel>("Label5")->setText("Total: 1");

    main_->reset();

    expectIdle();
    EXPECT_FALSE(main_->state().settings.links);
    EXPECT_EQ(table, main_->session().keywords()) << "the reset keeps the keyword table";
    EXPECT_EQ(QStringList({ "Price", "Phone" }), list("List3")->entries());
    EXPECT_EQ(QString("htm"), combo->currentText()) << "the combo text is not reset";
    EXPECT_EQ(QStringList({ "a.htm", "b.htm" }), list("List1")->entries());
}

TEST_F(MainWindowTest, SwitchRules)
{
    start();
    auto* strip = check("ChkStrip");
    auto* web = check("ChkWebsite");
    auto* mail = check("ChkEmail");
    auto* kw = check("ChkKeyword");
    auto* links = check("ChkLinks");
    auto* readable = check("ChkReadable");
    MainState& s = main_->state();
    EXPECT_FALSE(readable->isEnabled()) << "a strip mode switch";

    links->click();
    EXPECT_TRUE(s.settings.links);
    EXPECT_EQ(QPalette::WindowText, captionRole(links));

    web->click();
    EXPECT_TRUE(s.settings.website);
    EXPECT_EQ(QPalette::WindowText, captionRole(web));
    mail->click();
    EXPECT_TRUE(s.settings.email);
    EXPECT_EQ(QPalette::WindowText, captionRole(mail));
    kw->click();
    EXPECT_TRUE(s.settings.keyword);
    EXPECT_EQ(QPalette::WindowText, captionRole(kw));
    EXPECT_TRUE(list("List3")->isEnabled());
    EXPECT_EQ(QPalette::Base, backgroundRole(list("List3")));
    for (const char* name : KeywordButtons)
        EXPECT_TRUE(button(name)->isEnabled()) << name;

    strip->click();
    EXPECT_TRUE(s.settings.strip);
    EXPECT_EQ(QPalette::WindowText, captionRole(strip));
    for (CheckBox* box : { web, mail, kw, links }) {
        SCOPED_TRACE(box->objectName().toStdString());
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(box->isEnabled());
        EXPECT_EQ(grey(), captionRole(box));
    }
    EXPECT_FALSE(s.settings.website);
    EXPECT_FALSE(s.settings.email);
    EXPECT_FALSE(s.settings.keyword);
    EXPECT_FALSE(s.settings.links);
    EXPECT_FALSE(list("List3")->isEnabled());
    ASSERT_TRUE(readable->isEnabled());
    readable->click();
    EXPECT_TRUE(s.settings.readable);
    EXPECT_EQ(QPalette::WindowText, captionRole(readable));
    EXPECT_EQ(QPalette::Button, backgroundRole(list("List3")));
    for (const char* name : KeywordButtons)
        EXPECT_FALSE(button(name)->isEnabled()) << name;

    strip->click();
    EXPECT_FALSE(s.settings.strip);
    EXPECT_EQ(grey(), captionRole(strip));
    EXPECT_FALSE(readable->isChecked());
    EXPECT_FALSE(readable->isEnabled());
    EXPECT_FALSE(s.settings.readable);
    EXPECT_EQ(grey(), captionRole(readable));
    for (CheckBox* box : { web, mail, kw, links }) {
        SCOPED_TRACE(box->objectName().toStdString());
        EXPECT_TRUE(box->isEnabled());
        EXPECT_FALSE(box->isChecked()) << "unchecking strip mode leaves the others unchecked";
    }

    web->click();
    web->click();
    EXPECT_FALSE(s.settings.website);
    EXPECT_EQ(grey(), captionRole(web));
}

// The main text is a reading of the readable text: each follows the other.
TEST_F(MainWindowTest, MainTextSwitchFollowsTheReadableText)
{
    start();
    auto* strip = check("ChkStrip");
    auto* readable = check("ChkReadable");
    auto* mainText = check("ChkMainText");
    MainState& s = main_->state();
    EXPECT_FALSE(mainText->isEnabled()) << "a strip mode switch";
    EXPECT_FALSE(mainText->toolTip().isEmpty());

    strip->click();
    ASSERT_TRUE(mainText->isEnabled());
    mainText->click();
    EXPECT_TRUE(s.settings.mainText);
    EXPECT_TRUE(readable->isChecked()) << "ticking the main text ticks the readable text";
    EXPECT_TRUE(s.settings.readable);
    EXPECT_EQ(QPalette::WindowText, captionRole(mainText));

    readable->click();
    EXPECT_FALSE(mainText->isChecked()) << "unticking the readable text unticks the main text";
    EXPECT_FALSE(s.settings.mainText);
    EXPECT_EQ(grey(), captionRole(mainText));

    mainText->click();
    mainText->click();
    EXPECT_TRUE(readable->isChecked()) << "unticking the main text keeps the readable text";

    mainText->click();
    strip->click();
    EXPECT_FALSE(mainText->isChecked());
    EXPECT_FALSE(mainText->isEnabled());
    EXPECT_FALSE(s.settings.mainText);

    strip->click();
    mainText->click();
    main_->reset();
    EXPECT_FALSE(mainText->isChecked()) << "off at every reset";
    EXPECT_FALSE(mainText->isEnabled());
    EXPECT_FALSE(s.settings.mainText);
}

TEST_F(MainWindowTest, KeywordSwitchKeepsTheKeywords)
{
    start();
    addKeywords({ "A", "B" });
    check("ChkKeyword")->click();
    check("ChkKeyword")->click();
    check("ChkKeyword")->click();
    EXPECT_EQ(QStringList({ "A", "B" }), list("List3")->entries());
    EXPECT_EQ(2, main_->session().keywords()->recordCount());
    EXPECT_TRUE(list("List3")->isEnabled());
}

TEST_F(MainWindowTest, ResetAfterStripModeRunsTheStripRule)
{
    start();
    check("ChkStrip")->click();
    check("ChkReadable")->click();
    ASSERT_FALSE(check("ChkWebsite")->isEnabled());
    main_->reset();
    EXPECT_FALSE(main_->state().settings.strip);
    EXPECT_FALSE(main_->state().settings.readable);
    EXPECT_FALSE(check("ChkReadable")->isChecked());
    EXPECT_FALSE(check("ChkReadable")->isEnabled());
    expectIdle();
}

// A run refused before any file, by a check or by the user at the output
// folder, leaves everything as the user set it; the commands are idle again.
TEST_F(MainWindowTest, ARefusedRunChangesNothing)
{
    makeFile("a.htm");
    makeFile("b.htm");
    ASSERT_TRUE(QDir(root_).mkpath("sub"));
    makeFile("sub/c.htm");
    struct Row {
        const char* name;
        std::function<void()> setUp;
        QString message; // the one message shown; empty: none
        bool chooseFiles = true;
    };
    auto keywords = [this](std::initializer_list<const char*> names) {
        return [this, names = std::vector<const char*>(names)] {
            check("ChkKeyword")->click();
            for (const char* name : names)
                main_->session().keywords()->addNew(name, "1");
            main_->refillKeywordList();
        };
    };
    const Row rows[] = {
        { "no chosen file", [this] { check("ChkWebsite")->click(); }, "There is no file to be processed", false },
        { "no switch ticked", [] {}, "There is no process setting, so the files can not be process." },
        { "keywords ticked without a keyword", keywords({}),
            "While you want to have the files processed by KeyWord, there should have KeyWord." },
        { "two keywords of one name", keywords({ "Price", "Price" }),
            "Some Keywords are same, please check the current Keywords and make sure they are unique." },
        { "the strip question cancelled",
            [this] {
                check("ChkStrip")->click();
                prompts_.answer(Answer::Cancel);
            },
            "When Stripping HTML Tags processing is finished, please select a directory to save the results." },
        { "no output folder chosen",
            [this] {
                check("ChkStrip")->click();
                check("ChkReadable")->click();
                prompts_.answer(Answer::Ok).directory(QString());
            },
            "When Stripping HTML Tags processing is finished, please select a directory to save the results." },
    };
    // What the user has set up for a run, as the window shows it: one line a control.
    auto setup = [this] {
        QStringList now { "List2 " + list("List2")->entries().join('|'), "List1 " + list("List1")->entries().join('|'),
            "List3 " + list("List3")->entries().join('|'), "Dir1 " + control<DirList>("Dir1")->path(),
            "Combo1 " + control<QComboBox>("Combo1")->currentText(), "Label5 " + caption("Label5") };
        for (const char* name : { "ChkStrip", "ChkWebsite", "ChkEmail", "ChkLinks", "ChkReadable", "ChkKeyword",
                 "List3", "CmdAddKW", "CmdProcess", "CmdEnd", "CmdCancel" }) {
            auto* w = control<QWidget>(name);
            const auto* box = qobject_cast<QAbstractButton*>(w);
            now << QString("%1 %2 %3")
                       .arg(name, box && box->isChecked() ? "checked" : "-", w->isEnabled() ? "enabled" : "disabled");
        }
        return now.join('\n').toStdString();
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prompts_ = ScriptedPrompts();
        start();
        ASSERT_TRUE(control<DirList>("Dir1")->setPath(QDir(root_).filePath("sub"))); // away from the start folder
        if (row.chooseFiles) {
            list("List2")->addEntry(QDir(root_).filePath("a.htm"));
            list("List2")->addEntry(QDir(root_).filePath("b.htm"));
        }
        row.setUp();
        const std::string before = setup();
        const std::string keywordsBefore = KeywordFile::Serialize(*main_->session().keywords());

        button("CmdProcess")->click();

        EXPECT_EQ(std::vector<QString> { row.message }, prompts_.messageTexts());
        EXPECT_EQ(before, setup());
        EXPECT_EQ(keywordsBefore, KeywordFile::Serialize(*main_->session().keywords()));
        EXPECT_FALSE(main_->runGoingOn());
        EXPECT_EQ(nullptr, main_->state().run.results);
        EXPECT_TRUE(prompts_.scriptUsedUp());
        main_.reset();
    }
}

TEST_F(MainWindowTest, ExitAnsweredNoKeepsEverything)
{
    makeFile("README");
    start();
    list("List2")->addEntry("/x/a");
    prompts_.answer(Answer::No);
    button("CmdEnd")->click();
    ASSERT_EQ(1u, prompts_.asked.size());
    const auto& q = prompts_.asked[0];
    EXPECT_EQ(QString("Do you want to exit the program?"), q.text);
    EXPECT_EQ(Buttons::YesNo, q.buttons);
    EXPECT_EQ(Icon::None, q.icon);
    EXPECT_EQ(QString(), q.title); // the program's title
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(1, list("List2")->count());
    EXPECT_EQ(1, list("List1")->count());
    EXPECT_NE(nullptr, main_->session().keywordFile);
}

TEST_F(MainWindowTest, ExitAnsweredYesClosesAndReleasesTheTables)
{
    start();
    main_->state().run.results = std::make_shared<RunResults>(std::vector<std::string> { "WebSite" });
    prompts_.answer(Answer::Yes);
    button("CmdEnd")->click();
    EXPECT_FALSE(main_->isVisible());
    EXPECT_EQ(nullptr, main_->session().keywordFile);
    EXPECT_EQ(nullptr, main_->session().keywords());
    EXPECT_EQ(nullptr, main_->state().run.results);
    EXPECT_EQ(1u, prompts_.asked.size()) << "an empty keyword table is not offered for saving";
}

TEST_F(MainWindowTest, CloseBoxAsksNoExitQuestionButOffersTheKeywords)
{
    start();
    addKeywords({ "Price" });
    prompts_.answer(Answer::No);
    main_->close();
    EXPECT_FALSE(main_->isVisible());
    ASSERT_EQ(1u, prompts_.asked.size());
    EXPECT_EQ(QString("Do you want to save the current KeyWords?"), prompts_.asked[0].text);
    EXPECT_EQ(nullptr, main_->session().keywordFile);
}

TEST_F(MainWindowTest, ClosingDuringARunCancelsItFirst)
{
    makeFile("a.htm");
    start();
    list("List2")->addEntry(QDir(root_).filePath("a.htm"));
    check("ChkWebsite")->click();
    // The run yields before its first file; the close arrives then.
    QTimer::singleShot(0, main_.get(), [this] { main_->close(); });
    button("CmdProcess")->click();
    EXPECT_FALSE(main_->isVisible());
    EXPECT_EQ(nullptr, main_->session().keywordFile);
    EXPECT_TRUE(prompts_.messages().empty()) << "a cancelled run neither reports nor offers to save";
}

TEST_F(MainWindowTest, BrowseOpensTheFirstSelectedChosenFile)
{
    makeFile("a.htm");
    start();
    std::vector<QString> opened;
    main_->setBrowserOpener([&](const QString& p) { opened.push_back(p); });
    ListBox* chosenList = list("List2");
    chosenList->addEntry("/d/c.htm");
    chosenList->addEntry("/d/b.htm");
    chosenList->addEntry("/d/a.htm");
    button("CmdBrowse")->click();
    chosenList->setEntrySelected(2, true);
    chosenList->setEntrySelected(1, true);
    button("CmdBrowse")->click();
    EXPECT_EQ((std::vector<QString> { QString(), "/d/b.htm" }), opened);

    // A double click on a file of either list opens that file.
    opened.clear();
    auto* combo = control<QComboBox>("Combo1");
    combo->setCurrentIndex(0);
    Q_EMIT combo->activated(0);
    ASSERT_EQ(1, list("List1")->count());
    Q_EMIT list("List1")->itemDoubleClicked(list("List1")->item(0));
    Q_EMIT chosenList->itemDoubleClicked(chosenList->item(2));
    EXPECT_EQ((std::vector<QString> { root_ + "/a.htm", "/d/c.htm" }), opened);
}
