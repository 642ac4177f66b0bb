#include "ui/OutputFolderDialog.h"
#include "support/ScriptedPrompts.h"
#include "ui/toolkit/DirList.h"
#include "ui/toolkit/DriveList.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace tamsenor;
using namespace tamsenor::testing;

class OutputFolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = QDir::currentPath();
        ASSERT_TRUE(tmp_.isValid());
        root_ = QDir::cleanPath(tmp_.path());
        ASSERT_TRUE(QDir(root_).mkpath("work/out"));
        ASSERT_TRUE(QDir::setCurrent(root_ + "/work"));
    }
    void TearDown() override { QDir::setCurrent(saved_); }

    QPushButton* button(OutputFolderDialog& dlg, const char* name) { return dlg.findChild<QPushButton*>(name); }

    QString saved_;
    QTemporaryDir tmp_;
    QString root_;
    ScriptedPrompts prompts_;
};

TEST_F(OutputFolderDialogTest, OpensOnTheWorkingDirectory)
{
    OutputFolderDialog dlg(prompts_);
    EXPECT_EQ(root_ + "/work", dlg.folderList()->path());
    EXPECT_EQ(dlg.driveList()->driveOf(root_), dlg.driveList()->drive());
}

TEST_F(OutputFolderDialogTest, ResultsOfTheWaysOut)
{
    enum class Way { Ok, Cancel, CloseBox };
    struct Row {
        const char* name;
        const char* browseTo; // relative to the temporary root; "" = stay
        Way way;
        QString expected; // relative to root; "-" = empty
    };
    const Row rows[] = {
        { "OK untouched", "", Way::Ok, "work" },
        { "OK after browsing", "work/out", Way::Ok, "work/out" },
        { "Cancel after browsing", "work/out", Way::Cancel, "-" },
        { "close box after browsing", "work/out", Way::CloseBox, "-" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OutputFolderDialog dlg(prompts_);
        dlg.show();
        if (*row.browseTo) {
            ASSERT_TRUE(dlg.folderList()->setPath(root_ + "/" + row.browseTo));
        }
        switch (row.way) {
        case Way::Ok:
            button(dlg, "Command1")->click();
            break;
        case Way::Cancel:
            button(dlg, "Command2")->click();
            break;
        case Way::CloseBox:
            dlg.close();
            break;
        }
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(row.expected == "-" ? QString() : root_ + "/" + row.expected, dlg.stripOutputDir());
        EXPECT_EQ(root_ + "/work", QDir::currentPath()) << "the dialog never moves the working directory";
    }
    EXPECT_TRUE(prompts_.asked.empty());
}

TEST_F(OutputFolderDialogTest, OkOnTheRootEndsInASeparator)
{
    OutputFolderDialog dlg(prompts_);
    ASSERT_TRUE(dlg.folderList()->setPath("/"));
    button(dlg, "Command1")->click();
    EXPECT_EQ(QString("/"), dlg.stripOutputDir());
}

TEST_F(OutputFolderDialogTest, DriveThatIsNotReadyShowsTheErrorThenReturns)
{
    const QString removed = root_ + "/usb";
    OutputFolderDialog dlg(prompts_);
    dlg.driveList()->setDrives({ { "/", "/" }, { removed, "usb" } });
    dlg.driveList()->setDrive(removed);
    ASSERT_EQ(2u, prompts_.asked.size());
    EXPECT_TRUE(prompts_.asked[0].text.contains(removed)) << prompts_.asked[0].text.toStdString();
    EXPECT_EQ(Icon::None, prompts_.asked[0].icon);
    EXPECT_EQ(QString("The drive is not ready."), prompts_.asked[1].text);
    EXPECT_EQ(Icon::Exclamation, prompts_.asked[1].icon);
    EXPECT_EQ(QString("/"), dlg.driveList()->drive());
    EXPECT_EQ(root_ + "/work", dlg.folderList()->path()) << "the working directory's drive opens on it";
    EXPECT_EQ(root_ + "/work", QDir::currentPath());
}

TEST_F(OutputFolderDialogTest, AnotherDriveOpensItsRootWithoutMovingTheWorkingDirectory)
{
    OutputFolderDialog dlg(prompts_);
    dlg.driveList()->setDrives({ { "/", "/" }, { root_ + "/work/out", "out" } });
    dlg.driveList()->setDrive(root_ + "/work/out");
    EXPECT_TRUE(prompts_.asked.empty());
    EXPECT_EQ(root_ + "/work/out", dlg.folderList()->path());
    EXPECT_EQ(root_ + "/work", QDir::currentPath());
}

// Enter on a folder opens it and nothing else, so the keyboard alone walks
// down to any depth and back up; only OK (or Enter on OK) takes the folder.
TEST_F(OutputFolderDialogTest, KeyboardWalksAnyDepthAndOnlyOkTakesTheFolder)
{
    ASSERT_TRUE(QDir(root_).mkpath("work/out/deep/deeper"));
    ASSERT_TRUE(QDir(root_).mkpath("work/out/deep/dim"));
    OutputFolderDialog dlg(prompts_);
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    DirList* list = dlg.folderList();
    list->setFocus();
    for (const QString level : { "work/out", "work/out/deep", "work/out/deep/deeper" }) {
        SCOPED_TRACE(level.toStdString());
        QTest::keyClick(list, Qt::Key_Down); // from the open folder to its first subfolder
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(root_ + "/" + level, list->path());
    }
    QTest::keyClick(list, Qt::Key_Up); // the line of the parent folder
    QTest::keyClick(list, Qt::Key_Enter);
    EXPECT_EQ(root_ + "/work/out/deep", list->path());
    // Typing a name's first letters finds its line, whatever its indent.
    QTest::keyClicks(list, "di"); // "d" finds deeper, "di" goes on to dim
    EXPECT_EQ(root_ + "/work/out/deep/dim", list->pathOf(list->currentRow()));

    // Double-click opens too, and nothing else.
    list->scrollToItem(list->currentItem());
    const QRect line = list->visualItemRect(list->currentItem());
    // A person's double click, event by event.
    for (QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
             QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease }) {
        QMouseEvent event(type, line.center(), list->viewport()->mapToGlobal(line.center()), Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &event);
    }
    EXPECT_EQ(root_ + "/work/out/deep/dim", list->path());

    QTest::keyClick(dlg.driveList(), Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible()) << "Enter elsewhere takes nothing";
    EXPECT_TRUE(dlg.stripOutputDir().isEmpty());

    button(dlg, "Command1")->setFocus();
    QTest::keyClick(button(dlg, "Command1"), Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(root_ + "/work/out/deep/dim", dlg.stripOutputDir());
    EXPECT_TRUE(prompts_.asked.empty());
}

TEST_F(OutputFolderDialogTest, EnterOnCancelCancels)
{
    OutputFolderDialog dlg(prompts_);
    dlg.show();
    ASSERT_TRUE(dlg.folderList()->setPath(root_ + "/work/out"));
    button(dlg, "Command2")->setFocus();
    QTest::keyClick(button(dlg, "Command2"), Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.stripOutputDir().isEmpty());
}
