#include "MainFixture.h"

#include "ui/WindowMemory.h"
#include "ui/toolkit/DirList.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSettings>

using namespace tamsenor;
using namespace tamsenor::testing;

// Every start of the program reads the same settings file, here one of the
// test's own, never the user's.
class WindowMemoryTest : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        ASSERT_TRUE(settingsDir_.isValid());
        file_ = settingsDir_.filePath("Tamsenor.conf");
    }
    std::unique_ptr<WindowMemory> newStart()
    {
        return std::make_unique<WindowMemory>(std::make_unique<QSettings>(file_, QSettings::IniFormat));
    }
    QTemporaryDir settingsDir_;
    QString file_;
};

TEST_F(WindowMemoryTest, KeepsNothingUntilTurnedOnAndForgetsEverythingWhenTurnedOff)
{
    QTemporaryDir results;
    QTemporaryDir keywords;
    ASSERT_TRUE(results.isValid() && keywords.isValid());
    auto memory = newStart();
    EXPECT_FALSE(memory->enabled());
    memory->setFolder(FileKind::Results, results.path());
    memory->setGeometry("g");
    EXPECT_FALSE(QFile::exists(file_)) << "off: nothing written";
    EXPECT_EQ(QString(), newStart()->folder(FileKind::Results));

    memory->setEnabled(true);
    memory->setFolder(FileKind::Results, results.path());
    memory->setFolder(FileKind::Keywords, keywords.path());
    memory->setFolder(FileKind::Other, "/elsewhere");
    memory.reset();

    auto next = newStart();
    EXPECT_TRUE(next->enabled());
    EXPECT_EQ(results.path(), next->folder(FileKind::Results));
    EXPECT_EQ(keywords.path(), next->folder(FileKind::Keywords));
    EXPECT_EQ(QString(), next->folder(FileKind::Other));
    keywords.remove();
    EXPECT_EQ(QString(), next->folder(FileKind::Keywords)) << "a folder that is gone is not offered";

    next->setEnabled(false);
    EXPECT_FALSE(QFile::exists(file_));
    EXPECT_EQ(QString(), newStart()->folder(FileKind::Results));
}

TEST_F(WindowMemoryTest, WindowKeepsItsSizeFromOneStartToTheNextAndTheStartStaysFixed)
{
    makeFile("README");
    for (const bool remember : { false, true }) {
        SCOPED_TRACE(remember ? "remembering" : "not remembering");
        QFile::remove(file_);
        auto memory = newStart();
        start();
        main_->setMemory(memory.get());
        auto* toggle = button("CmdHelp")->menu()->findChild<QAction*>("ActRemember");
        ASSERT_NE(nullptr, toggle);
        EXPECT_TRUE(toggle->isVisible());
        EXPECT_FALSE(toggle->isChecked());
        if (remember)
            toggle->trigger();
        const QSize drawn = main_->size();
        const QSize used = drawn + QSize(120, 80);
        main_->resize(used);
        check("ChkWebsite")->click();
        control<QComboBox>("Combo1")->setEditText("txt");
        main_->close();
        main_.reset();
        memory.reset();

        ASSERT_TRUE(QDir::setCurrent(root_));
        auto again = newStart();
        start();
        main_->setMemory(again.get());
        EXPECT_EQ(remember ? used : drawn, main_->size());
        EXPECT_EQ(remember, button("CmdHelp")->menu()->findChild<QAction*>("ActRemember")->isChecked());
        // What the start fixes stays fixed.
        EXPECT_EQ(QDir(root_).canonicalPath(), QDir(control<DirList>("Dir1")->path()).canonicalPath());
        EXPECT_FALSE(check("ChkWebsite")->isChecked());
        EXPECT_EQ(QString(), control<QComboBox>("Combo1")->currentText());
        EXPECT_EQ(QStringList({ "README" }), list("List1")->entries());
        main_.reset();
    }
}

// The folders are kept per kind of file, so each dialog of the window has to
// say which kind it asks for.
TEST_F(WindowMemoryTest, EveryFileDialogOfTheWindowNamesItsKind)
{
    makeFile("a.htm");
    start();
    struct Row {
        const char* name;
        std::function<void()> open;
        FileKind kind;
    };
    const Row rows[] = {
        { "results",
            [&] {
                list("List2")->addEntry(QDir(root_).filePath("a.htm"));
                check("ChkWebsite")->click();
                prompts_.answer(Answer::Yes).file(std::nullopt);
                button("CmdProcess")->click();
            },
            FileKind::Results },
        { "keywords, open",
            [&] {
                check("ChkKeyword")->click();
                prompts_.file(std::nullopt);
                button("CmdOpenKW")->click();
            },
            FileKind::Keywords },
        { "keywords, save",
            [&] {
                main_->session().keywords()->addNew("Price", "1");
                prompts_.file(std::nullopt);
                button("CmdSaveKW")->click();
            },
            FileKind::Keywords },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prompts_.asked.clear();
        row.open();
        const auto dialog = std::find_if(prompts_.asked.begin(), prompts_.asked.end(),
            [](const ScriptedPrompts::Record& r) { return r.kind != ScriptedPrompts::Kind::Message; });
        ASSERT_NE(prompts_.asked.end(), dialog);
        EXPECT_EQ(row.kind, dialog->fileDialog.kind);
        EXPECT_TRUE(prompts_.scriptUsedUp());
    }
}

TEST_F(WindowMemoryTest, PreviewingResultsIsKeptOnlyWhileRemembering)
{
    for (const bool remember : { false, true }) {
        SCOPED_TRACE(remember ? "remembering" : "not remembering");
        QFile::remove(file_);
        auto memory = newStart();
        start();
        main_->setMemory(memory.get());
        QMenu* menu = button("CmdHelp")->menu();
        menu->findChild<QAction*>("ActPreviewResults")->trigger(); // before remembering is turned on
        if (remember)
            menu->findChild<QAction*>("ActRemember")->trigger();
        main_.reset();
        memory.reset();
        EXPECT_EQ(remember, QFile::exists(file_));

        auto again = newStart();
        start();
        main_->setMemory(again.get());
        EXPECT_EQ(remember, button("CmdHelp")->menu()->findChild<QAction*>("ActPreviewResults")->isChecked());
        main_.reset();
    }
}
