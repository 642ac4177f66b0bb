#include "ui/browser/BrowserWindow.h"

#include "browser/BrowserTestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include <memory>

namespace tamsenor {
namespace {

using testing::PageDir;
using testing::settle;
using testing::StallingServer;
using testing::waitUntil;

const QString Working = QStringLiteral("Working...");

// Presses a toolbar button the way a user does: a click on its tool button.
void press(BrowserWindow& w, const char* key)
{
    auto* action = w.toolBar_->findChild<QAction*>(QString::fromLatin1(key));
    ASSERT_NE(action, nullptr) << key;
    auto* button = qobject_cast<QToolButton*>(w.toolBar_->widgetForAction(action));
    ASSERT_NE(button, nullptr) << key;
    button->click();
}

// Types `text` into the address box and presses Enter, the keys going where
// the keyboard sends them: to the widget with the focus, the combo box.
void typeAddress(BrowserWindow& w, const QString& text)
{
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    w.addressBox_->setFocus();
    QWidget* focused = QApplication::focusWidget();
    ASSERT_TRUE(focused == w.addressBox_ || focused == w.addressBox_->lineEdit());
    w.addressBox_->lineEdit()->selectAll();
    w.addressBox_->lineEdit()->insert(text);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(focused, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(focused, &release);
}

QStringList listEntries(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QList<QWidget*> visibleWindows()
{
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            out << w;
    return out;
}

bool settledOn(const BrowserWindow& w, const QString& caption)
{
    return !w.busyTimer_->isActive() && !w.isBusy() && w.windowTitle() == caption;
}

// A window opened on a local page, waiting until the page is shown.
class LoadedBrowser : public ::testing::Test {
protected:
    void SetUp() override
    {
        alpha = pages.page(QStringLiteral("alpha.html"), QStringLiteral("Alpha Page"));
        beta = pages.page(QStringLiteral("beta.html"), QStringLiteral("Beta Page"));
        w = std::make_unique<BrowserWindow>();
        w->start(alpha);
        ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }))
            << w->windowTitle().toStdString();
    }

    PageDir pages;
    QString alpha;
    QString beta;
    std::unique_ptr<BrowserWindow> w;
};

TEST(BrowserWindow, ControlsCarryTheirNamesCaptionsAndPictures)
{
    BrowserWindow w;
    EXPECT_EQ(w.addressLabel_->text(), QStringLiteral("&Address:"));
    EXPECT_EQ(w.addressLabel_->buddy(), w.addressBox_);
    EXPECT_TRUE(w.addressBox_->isEditable());
    EXPECT_EQ(w.addressBox_->parentWidget(), w.addressStrip_);
    EXPECT_FALSE(w.addressBox_->accessibleName().isEmpty());
    EXPECT_FALSE(w.webView_->accessibleName().isEmpty());
    EXPECT_EQ(w.busyTimer_->interval(), 5);
    EXPECT_FALSE(w.busyTimer_->isActive());
    for (const char* name : { "lblAddress", "picAddress", "cboAddress", "tbToolBar", "brwWebBrowser", "timTimer" }) {
        SCOPED_TRACE(name);
        EXPECT_NE(w.findChild<QObject*>(QString::fromLatin1(name)), nullptr);
    }

    QStringList keys;
    for (QAction* action : w.toolBar_->actions()) {
        SCOPED_TRACE(action->objectName().toStdString());
        EXPECT_EQ(action->toolTip(), action->data().toString());
        EXPECT_EQ(action->objectName(), action->data().toString());
        EXPECT_FALSE(action->icon().isNull());
        EXPECT_EQ(action->icon().cacheKey(), w.imlIcons.value(action->data().toString()).cacheKey());
        keys << action->data().toString();
    }
    EXPECT_EQ(keys, (QStringList { "Back", "Forward", "Stop", "Refresh", "Home", "Search", "Exit" }));
}

TEST(BrowserWindow, EmptyStartAddressLeavesTheWindowBlank)
{
    BrowserWindow w;
    w.start(QString());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.StartingAddress, QString());
    EXPECT_EQ(w.addressBox_->currentText(), QString());
    EXPECT_EQ(w.addressBox_->count(), 0);
    EXPECT_FALSE(w.busyTimer_->isActive());
    settle();
    EXPECT_EQ(w.webView_->url(), QUrl());
    EXPECT_EQ(w.webView_->history()->count(), 0);
    EXPECT_FALSE(w.busyTimer_->isActive());
}

TEST(BrowserWindow, LocalStartAddressFillsTheBoxAndShowsThePageTitle)
{
    PageDir pages;
    const QString start = pages.page(QStringLiteral("start page.html"), QStringLiteral("Start Title"));
    BrowserWindow w;
    w.start(start);

    EXPECT_EQ(w.StartingAddress, start);
    EXPECT_EQ(w.addressBox_->currentText(), start);
    EXPECT_EQ(listEntries(w.addressBox_), QStringList { start });
    EXPECT_TRUE(w.busyTimer_->isActive());
    EXPECT_TRUE(w.isBusy()); // the load is under way before the control reports it

    EXPECT_TRUE(waitUntil([&] { return settledOn(w, QStringLiteral("Start Title")); }))
        << w.windowTitle().toStdString();
    EXPECT_EQ(w.webView_->url(), QUrl::fromLocalFile(start));
}

TEST_F(LoadedBrowser, BackOnTheFirstPageDoesNothingAndShowsNothing)
{
    const QList<QWidget*> windowsBefore = visibleWindows();
    int loadsStarted = 0;
    QObject::connect(w->webView_, &QWebEngineView::loadStarted, [&] { ++loadsStarted; });

    press(*w, "Back");
    EXPECT_TRUE(waitUntil([&] { return !w->busyTimer_->isActive(); }));
    settle();

    EXPECT_EQ(loadsStarted, 0);
    EXPECT_EQ(w->webView_->url(), QUrl::fromLocalFile(alpha));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Alpha Page"));
    EXPECT_EQ(visibleWindows(), windowsBefore);
}

TEST_F(LoadedBrowser, EnterGoesToTheTypedAddressWithoutListingItAndBackAndForwardMoveThroughHistory)
{
    typeAddress(*w, beta);
    EXPECT_TRUE(w->busyTimer_->isActive());
    ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Beta Page")); }))
        << w->windowTitle().toStdString();
    EXPECT_EQ(listEntries(w->addressBox_), QStringList { alpha });

    press(*w, "Back");
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }))
        << w->windowTitle().toStdString();
    EXPECT_EQ(w->webView_->url(), QUrl::fromLocalFile(alpha));

    press(*w, "Forward");
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Beta Page")); }))
        << w->windowTitle().toStdString();
    EXPECT_EQ(w->webView_->url(), QUrl::fromLocalFile(beta));
}

// The address box follows the page, Back and Forward can be pressed only
// when there is somewhere to go, and Alt+Left / Alt+Right press them.
TEST_F(LoadedBrowser, HistoryMovesTheAddressAndTheButtonsFollowIt)
{
    auto action = [&](const char* key) { return w->toolBar_->findChild<QAction*>(QString::fromLatin1(key)); };
    EXPECT_FALSE(action("Back")->isEnabled());
    EXPECT_FALSE(action("Forward")->isEnabled());
    typeAddress(*w, beta);
    ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Beta Page")); }));
    EXPECT_TRUE(action("Back")->isEnabled());
    EXPECT_FALSE(action("Forward")->isEnabled());

    const struct {
        const char* name;
        Qt::Key key;
        QString title;
        QString address;
        bool back;
        bool forward;
    } steps[] = {
        { "Alt+Left", Qt::Key_Left, "Alpha Page", alpha, false, true },
        { "Alt+Right", Qt::Key_Right, "Beta Page", beta, true, false },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        w->webView_->setFocus();
        QTest::keyClick(w.get(), step.key, Qt::AltModifier);
        ASSERT_TRUE(waitUntil([&] { return settledOn(*w, step.title); })) << w->windowTitle().toStdString();
        EXPECT_EQ(step.address, w->addressBox_->currentText());
        EXPECT_EQ(step.back, action("Back")->isEnabled());
        EXPECT_EQ(step.forward, action("Forward")->isEnabled());
    }
    press(*w, "Home"); // the start address again, after the history
    ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }));
    EXPECT_EQ(alpha, w->addressBox_->currentText());
    EXPECT_EQ(QStringList { alpha }, listEntries(w->addressBox_)) << "followed, never listed";

    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(w.get());
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(QAccessible::Window, frame->role());
    EXPECT_EQ(QStringLiteral("Alpha Page"), frame->text(QAccessible::Name));
    for (QToolButton* button : w->toolBar_->findChildren<QToolButton*>()) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
        EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << button->objectName().toStdString();
    }
}

TEST_F(LoadedBrowser, EnterTakesTheAddressAsTheUserMeantIt)
{
    const QString savedCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(pages.path()));
    struct Row {
        const char* name;
        QString typed;
    };
    const Row rows[] = {
        { "file URL", QUrl::fromLocalFile(beta).toString() },
        { "absolute path", alpha },
        { "name in the working folder", QStringLiteral("beta.html") },
        { "path with spaces around it", QStringLiteral("  ") + alpha + QStringLiteral(" ") },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool toBeta = row.typed.contains(QStringLiteral("beta"));
        typeAddress(*w, row.typed);
        EXPECT_TRUE(waitUntil([&] {
            return settledOn(*w, toBeta ? QStringLiteral("Beta Page") : QStringLiteral("Alpha Page"));
        })) << w->windowTitle().toStdString();
        EXPECT_EQ(w->webView_->url(), QUrl::fromLocalFile(toBeta ? beta : alpha));
    }
    QDir::setCurrent(savedCwd);
}

TEST_F(LoadedBrowser, PickingTheListEntryGoesBackToIt)
{
    typeAddress(*w, beta);
    ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Beta Page")); }));

    w->addressBox_->setCurrentIndex(0);
    Q_EMIT w->addressBox_->activated(0); // what a pick from the drop-down list reports
    EXPECT_TRUE(w->busyTimer_->isActive());
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }))
        << w->windowTitle().toStdString();
}

TEST_F(LoadedBrowser, SearchShowsTheProgramsOwnPageAndHomeReturnsToTheStartAddress)
{
    press(*w, "Search");
    ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("No search engine")); }))
        << w->windowTitle().toStdString();
    EXPECT_NE(w->webView_->url().scheme(), QStringLiteral("http"));
    EXPECT_NE(w->webView_->url().scheme(), QStringLiteral("https"));

    press(*w, "Home");
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }))
        << w->windowTitle().toStdString();
    EXPECT_EQ(w->webView_->url(), QUrl::fromLocalFile(alpha));
}

TEST_F(LoadedBrowser, CaptionReadsWorkingWhileAPageLoadsAndItsTitleAfterwards)
{
    StallingServer server;
    typeAddress(*w, server.url(QStringLiteral("slow")));
    ASSERT_TRUE(waitUntil([&] { return w->windowTitle() == Working; })) << w->windowTitle().toStdString();
    settle();
    EXPECT_EQ(w->windowTitle(), Working); // stays so while the page is still loading
    EXPECT_TRUE(w->busyTimer_->isActive());

    server.answerAll(QStringLiteral("Slow Page"));
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Slow Page")); }))
        << w->windowTitle().toStdString();
}

TEST_F(LoadedBrowser, StopEndsTheLoadAndShowsTheCurrentPagesTitle)
{
    StallingServer server;
    typeAddress(*w, server.url(QStringLiteral("never")));
    ASSERT_TRUE(waitUntil([&] { return w->windowTitle() == Working; })) << w->windowTitle().toStdString();

    press(*w, "Stop");
    EXPECT_FALSE(w->busyTimer_->isActive());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Alpha Page"));
    EXPECT_TRUE(waitUntil([&] { return !w->webView_->page()->isLoading(); }));
    settle();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Alpha Page"));
    EXPECT_EQ(w->webView_->url(), QUrl::fromLocalFile(alpha));
}

TEST_F(LoadedBrowser, ExitWhileLoadingStopsAndClosesTheWindow)
{
    StallingServer server;
    typeAddress(*w, server.url(QStringLiteral("never")));
    ASSERT_TRUE(waitUntil([&] { return w->windowTitle() == Working; })) << w->windowTitle().toStdString();

    press(*w, "Exit");
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->busyTimer_->isActive());
    EXPECT_TRUE(waitUntil([&] { return !w->webView_->page()->isLoading(); }));
}

TEST(BrowserWindow, RefreshAndHomeWithoutAPageDoNothing)
{
    BrowserWindow w;
    w.start(QString());
    for (const char* key : { "Refresh", "Home", "Back", "Forward", "Stop", "NoSuchKey" }) {
        SCOPED_TRACE(key);
        w.toolBarButtonClicked(QString::fromLatin1(key));
        EXPECT_TRUE(waitUntil([&] { return !w.busyTimer_->isActive(); }));
    }
    settle();
    EXPECT_EQ(w.webView_->url(), QUrl());
    EXPECT_TRUE(w.isVisible());
}

TEST(BrowserWindow, LayoutKeepsTheMarginsAndLeavesSizesThatWouldDropBelowZero)
{
    struct Row {
        const char* name;
        int width;
        int height;
    };
    const Row rows[] = {
        { "roomy", 800, 600 },
        { "narrower than the margin", 3, 600 },
        { "lower than the address strip", 800, 20 },
        { "tiny", 1, 1 },
        { "roomy again", 500, 400 },
    };

    BrowserWindow w;
    w.start(QString());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QSize browserBefore = w.webView_->size();
        const int boxWidthBefore = w.addressBox_->width();

        w.resize(row.width, row.height);
        ASSERT_TRUE(waitUntil([&] { return w.size() == QSize(row.width, row.height); }))
            << w.width() << "x" << w.height();

        const int stripBottom = w.addressStrip_->y() + w.addressStrip_->height();
        const int width = row.width - w.twipsX(100);
        const int height = row.height - stripBottom - w.twipsY(100);
        EXPECT_EQ(w.webView_->width(), width >= 0 ? width : browserBefore.width());
        EXPECT_EQ(w.addressBox_->width(), width >= 0 ? width : boxWidthBefore);
        EXPECT_EQ(w.webView_->height(), height >= 0 ? height : browserBefore.height());
        EXPECT_GE(w.webView_->y(), stripBottom);
        EXPECT_EQ(w.webView_->x(), w.twipsX(50));
        EXPECT_EQ(w.addressStrip_->width(), row.width);
    }
}

TEST(OpenBrowserWindow, OpensIndependentWindowsThatCloseWithTheMainWindow)
{
    PageDir pages;
    const QString alpha = pages.page(QStringLiteral("alpha.html"), QStringLiteral("Alpha Page"));
    const QString beta = pages.page(QStringLiteral("beta.html"), QStringLiteral("Beta Page"));
    QWidget mainWindow;
    mainWindow.show();

    OpenBrowserWindow(&mainWindow, alpha);
    OpenBrowserWindow(&mainWindow, beta);
    const QList<BrowserWindow*> opened = mainWindow.findChildren<BrowserWindow*>();
    ASSERT_EQ(opened.size(), 2);
    QList<QPointer<BrowserWindow>> windows;
    QStringList captions;
    for (BrowserWindow* w : opened) {
        EXPECT_TRUE(w->isWindow());
        EXPECT_TRUE(w->isVisible());
        windows << w;
    }
    for (BrowserWindow* w : opened)
        EXPECT_TRUE(waitUntil([&] { return !w->isBusy() && !w->busyTimer_->isActive(); }));
    for (BrowserWindow* w : opened)
        captions << w->windowTitle();
    captions.sort();
    EXPECT_EQ(captions, (QStringList { "Alpha Page", "Beta Page" }));

    // Exit closes one window alone, and a closed window is deleted.
    press(*windows[0], "Exit");
    EXPECT_TRUE(waitUntil([&] { return windows[0].isNull(); }));
    ASSERT_FALSE(windows[1].isNull());
    EXPECT_TRUE(windows[1]->isVisible());
    EXPECT_TRUE(mainWindow.isVisible());

    mainWindow.close();
    EXPECT_TRUE(waitUntil([&] { return windows[1].isNull(); }));
}

} // namespace
} // namespace tamsenor
