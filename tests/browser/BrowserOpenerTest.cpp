// The main window's ways of opening the browser window: a double click on a
// file of List1 or List2, and the Browse button.
#include "ui/MainWindow.h"

#include "browser/BrowserTestSupport.h"
#include "support/FixedClock.h"
#include "support/ScriptedPrompts.h"
#include "ui/FileChooser.h"
#include "ui/browser/BrowserWindow.h"
#include "ui/toolkit/ListBox.h"

#include <QComboBox>
#include <QDir>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace tamsenor {
namespace {

using testing::FixedClock;
using testing::PageDir;
using testing::ScriptedPrompts;
using testing::waitUntil;

// The main window starts on the working directory; each test gets its own.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const QString& dir)
        : saved_(QDir::currentPath())
    {
        EXPECT_TRUE(QDir::setCurrent(dir));
    }
    ~WorkingDirectory() { QDir::setCurrent(saved_); }

private:
    QString saved_;
};

// A double click on entry `index`, as the mouse delivers it.
void doubleClick(ListBox* list, int index)
{
    list->scrollToItem(list->item(index));
    QWidget* viewport = list->viewport();
    const QPointF at = list->visualItemRect(list->item(index)).center();
    const QPointF global = viewport->mapToGlobal(at);
    for (QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
             QEvent::MouseButtonRelease }) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, at, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }
}

class BrowserOpener : public ::testing::Test {
protected:
    void SetUp() override
    {
        first = pages.page(QStringLiteral("first.htm"), QStringLiteral("First Page"));
        second = pages.page(QStringLiteral("second.htm"), QStringLiteral("Second Page"));
        main = std::make_unique<MainWindow>(prompts, clock);
        main->setBrowserOpener([this](const QString& address) { OpenBrowserWindow(main.get(), address); });
        main->show();
        List1 = main->findChild<ListBox*>(QStringLiteral("List1"));
        List2 = main->findChild<ListBox*>(QStringLiteral("List2"));
        CmdBrowse = main->findChild<QPushButton*>(QStringLiteral("CmdBrowse"));
        ASSERT_NE(List1, nullptr);
        ASSERT_NE(List2, nullptr);
        ASSERT_NE(CmdBrowse, nullptr);
    }
    void TearDown() override
    {
        main.reset();
        EXPECT_TRUE(prompts.asked.empty());
    }

    QList<BrowserWindow*> browsers() const { return main->findChildren<BrowserWindow*>(); }

    // The one browser window opened, once it has settled.
    BrowserWindow* openedBrowser()
    {
        const QList<BrowserWindow*> opened = browsers();
        EXPECT_EQ(opened.size(), 1);
        if (opened.size() != 1)
            return nullptr;
        BrowserWindow* w = opened.front();
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(waitUntil([&] { return !w->busyTimer_->isActive() && !w->isBusy(); }));
        return w;
    }

    PageDir pages;
    WorkingDirectory cwd { pages.path() };
    QString first;
    QString second;
    ScriptedPrompts prompts;
    FixedClock clock { QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC) };
    std::unique_ptr<MainWindow> main;
    ListBox* List1 = nullptr;
    ListBox* List2 = nullptr;
    QPushButton* CmdBrowse = nullptr;
};

TEST_F(BrowserOpener, DoubleClickOnAChosenFileOpensItInTheBrowser)
{
    List2->addEntry(first);
    List2->addEntry(second);
    doubleClick(List2, List2->entries().indexOf(second));

    BrowserWindow* w = openedBrowser();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->StartingAddress, second);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Second Page"));
}

TEST_F(BrowserOpener, DoubleClickOnAListedFileOpensItInTheBrowser)
{
    auto* Combo1 = main->findChild<QComboBox*>(QStringLiteral("Combo1"));
    ASSERT_NE(Combo1, nullptr);
    Combo1->setCurrentIndex(Combo1->findText(QStringLiteral("htm")));
    main->fileChooser().extensionChosen();
    const int index = List1->entries().indexOf(QStringLiteral("first.htm"));
    ASSERT_GE(index, 0) << List1->entries().join(u' ').toStdString();

    doubleClick(List1, index);

    BrowserWindow* w = openedBrowser();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(QFileInfo(w->StartingAddress).canonicalFilePath(), QFileInfo(first).canonicalFilePath());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("First Page"));
}

TEST_F(BrowserOpener, BrowseOpensTheFirstSelectedChosenFile)
{
    EXPECT_EQ(CmdBrowse->text(), QStringLiteral("Browse"));
    EXPECT_EQ(CmdBrowse->toolTip(), QStringLiteral("Show the selected chosen file in the browser"));
    List2->addEntry(first);
    List2->addEntry(second);
    List2->setEntrySelected(List2->entries().indexOf(second), true);

    CmdBrowse->click();

    BrowserWindow* w = openedBrowser();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->StartingAddress, second);
    EXPECT_EQ(w->addressBox_->currentText(), second);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Second Page"));
}

TEST_F(BrowserOpener, BrowseWithoutASelectionOpensABlankWindowAndEachClickAnotherOne)
{
    List2->addEntry(first);

    CmdBrowse->click();
    BrowserWindow* w = openedBrowser();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->StartingAddress, QString());
    EXPECT_EQ(w->addressBox_->currentText(), QString());
    EXPECT_EQ(w->webView_->url(), QUrl());

    CmdBrowse->click();
    EXPECT_EQ(browsers().size(), 2);
}

TEST_F(BrowserOpener, ClosingTheMainWindowClosesEveryBrowserWindow)
{
    List2->addEntry(first);
    List2->setEntrySelected(0, true);
    CmdBrowse->click();
    CmdBrowse->click();
    ASSERT_EQ(browsers().size(), 2);

    EXPECT_TRUE(main->close());
    EXPECT_TRUE(waitUntil([&] { return browsers().isEmpty(); })) << browsers().size();
}

} // namespace
} // namespace tamsenor
