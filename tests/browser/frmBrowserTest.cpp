#include "ui/browser/frmBrowser.h"

#include "browser/BrowserTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
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
void press(frmBrowser& w, const char* key)
{
    auto* action = w.tbToolBar->findChild<QAction*>(QString::fromLatin1(key));
    ASSERT_NE(action, nullptr) << key;
    auto* button = qobject_cast<QToolButton*>(w.tbToolBar->widgetForAction(action));
    ASSERT_NE(button, nullptr) << key;
    button->click();
}

// Types `text` into the address box and presses Enter, the keys going where
// the keyboard sends them: to the widget with the focus, the combo box.
void typeAddress(frmBrowser& w, const QString& text)
{
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    w.cboAddress->setFocus();
    QWidget* focused = QApplication::focusWidget();
    ASSERT_TRUE(focused == w.cboAddress || focused == w.cboAddress->lineEdit());
    w.cboAddress->lineEdit()->selectAll();
    w.cboAddress->lineEdit()->insert(text);
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

bool settledOn(const frmBrowser& w, const QString& caption)
{
    return !w.timTimer->isActive() && !w.isBusy() && w.windowTitle() == caption;
}

// A window opened on a local page, waiting until the page is shown.
class LoadedBrowser : public ::testing::Test {
protected:
    void SetUp() override
    {
        alpha = pages.page(QStringLiteral("alpha.html"), QStringLiteral("Alpha Page"));
        beta = pages.page(QStringLiteral("beta.html"), QStringLiteral("Beta Page"));
        w = std::make_unique<frmBrowser>();
        w->Form_Load(alpha);
        ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }))
            << w->windowTitle().toStdString();
    }

    PageDir pages;
    QString alpha;
    QString beta;
    std::unique_ptr<frmBrowser> w;
};

TEST(frmBrowser, ControlsCarryTheirNamesCaptionsAndPictures)
{
    frmBrowser w;
    EXPECT_EQ(w.lblAddress->text(), QStringLiteral("&Address:"));
    EXPECT_EQ(w.lblAddress->buddy(), w.cboAddress);
    EXPECT_TRUE(w.cboAddress->isEditable());
    EXPECT_EQ(w.cboAddress->parentWidget(), w.picAddress);
    EXPECT_FALSE(w.cboAddress->accessibleName().isEmpty());
    EXPECT_FALSE(w.brwWebBrowser->accessibleName().isEmpty());
    EXPECT_EQ(w.timTimer->interval(), 5);
    EXPECT_FALSE(w.timTimer->isActive());
    for (const char* name : { "lblAddress", "picAddress", "cboAddress", "tbToolBar", "brwWebBrowser", "timTimer" }) {
        SCOPED_TRACE(name);
        EXPECT_NE(w.findChild<QObject*>(QString::fromLatin1(name)), nullptr);
    }

    QStringList keys;
    for (QAction* action : w.tbToolBar->actions()) {
        SCOPED_TRACE(action->objectName().toStdString());
        EXPECT_EQ(action->toolTip(), action->data().toString());
        EXPECT_EQ(action->objectName(), action->data().toString());
        EXPECT_FALSE(action->icon().isNull());
        EXPECT_EQ(action->icon().cacheKey(), w.imlIcons.value(action->data().toString()).cacheKey());
        keys << action->data().toString();
    }
    EXPECT_EQ(keys, (QStringList { "Back", "Forward", "Stop", "Refresh", "Home", "Search", "Exit" }));
}

TEST(frmBrowser, EmptyStartAddressLeavesTheWindowBlank)
{
    frmBrowser w;
    w.Form_Load(QString());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.StartingAddress, QString());
    EXPECT_EQ(w.cboAddress->currentText(), QString());
    EXPECT_EQ(w.cboAddress->count(), 0);
    EXPECT_FALSE(w.timTimer->isActive());
    settle();
    EXPECT_EQ(w.brwWebBrowser->url(), QUrl());
    EXPECT_EQ(w.brwWebBrowser->history()->count(), 0);
    EXPECT_FALSE(w.timTimer->isActive());
}

TEST(frmBrowser, LocalStartAddressFillsTheBoxAndShowsThePageTitle)
{
    PageDir pages;
    const QString start = pages.page(QStringLiteral("start page.html"), QStringLiteral("Start Title"));
    frmBrowser w;
    w.Form_Load(start);

    EXPECT_EQ(w.StartingAddress, start);
    EXPECT_EQ(w.cboAddress->currentText(), start);
    EXPECT_EQ(listEntries(w.cboAddress), QStringList { start });
    EXPECT_TRUE(w.timTimer->isActive());
    EXPECT_TRUE(w.isBusy()); // the load is under way before the control reports it

    EXPECT_TRUE(waitUntil([&] { return settledOn(w, QStringLiteral("Start Title")); }))
        << w.windowTitle().toStdString();
    EXPECT_EQ(w.brwWebBrowser->url(), QUrl::fromLocalFile(start));
}

TEST_F(LoadedBrowser, BackOnTheFirstPageDoesNothingAndShowsNothing)
{
    const QList<QWidget*> windowsBefore = visibleWindows();
    int loadsStarted = 0;
    QObject::connect(w->brwWebBrowser, &QWebEngineView::loadStarted, [&] { ++loadsStarted; });

    press(*w, "Back");
    EXPECT_TRUE(waitUntil([&] { return !w->timTimer->isActive(); }));
    settle();

    EXPECT_EQ(loadsStarted, 0);
    EXPECT_EQ(w->brwWebBrowser->url(), QUrl::fromLocalFile(alpha));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Alpha Page"));
    EXPECT_EQ(visibleWindows(), windowsBefore);
}

TEST_F(LoadedBrowser, EnterGoesToTheTypedAddressWithoutListingItAndBackAndForwardMoveThroughHistory)
{
    typeAddress(*w, beta);
    EXPECT_TRUE(w->timTimer->isActive());
    ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Beta Page")); }))
        << w->windowTitle().toStdString();
    EXPECT_EQ(listEntries(w->cboAddress), QStringList { alpha });

    press(*w, "Back");
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }))
        << w->windowTitle().toStdString();
    EXPECT_EQ(w->brwWebBrowser->url(), QUrl::fromLocalFile(alpha));

    press(*w, "Forward");
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Beta Page")); }))
        << w->windowTitle().toStdString();
    EXPECT_EQ(w->brwWebBrowser->url(), QUrl::fromLocalFile(beta));
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
        EXPECT_EQ(w->brwWebBrowser->url(), QUrl::fromLocalFile(toBeta ? beta : alpha));
    }
    QDir::setCurrent(savedCwd);
}

TEST_F(LoadedBrowser, PickingTheListEntryGoesBackToIt)
{
    typeAddress(*w, beta);
    ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Beta Page")); }));

    w->cboAddress->setCurrentIndex(0);
    Q_EMIT w->cboAddress->activated(0); // what a pick from the drop-down list reports
    EXPECT_TRUE(w->timTimer->isActive());
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }))
        << w->windowTitle().toStdString();
}

TEST_F(LoadedBrowser, SearchShowsTheProgramsOwnPageAndHomeReturnsToTheStartAddress)
{
    press(*w, "Search");
    ASSERT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("No search engine")); }))
        << w->windowTitle().toStdString();
    EXPECT_NE(w->brwWebBrowser->url().scheme(), QStringLiteral("http"));
    EXPECT_NE(w->brwWebBrowser->url().scheme(), QStringLiteral("https"));

    press(*w, "Home");
    EXPECT_TRUE(waitUntil([&] { return settledOn(*w, QStringLiteral("Alpha Page")); }))
        << w->windowTitle().toStdString();
    EXPECT_EQ(w->brwWebBrowser->url(), QUrl::fromLocalFile(alpha));
}

TEST_F(LoadedBrowser, CaptionReadsWorkingWhileAPageLoadsAndItsTitleAfterwards)
{
    StallingServer server;
    typeAddress(*w, server.url(QStringLiteral("slow")));
    ASSERT_TRUE(waitUntil([&] { return w->windowTitle() == Working; })) << w->windowTitle().toStdString();
    settle();
    EXPECT_EQ(w->windowTitle(), Working); // stays so while the page is still loading
    EXPECT_TRUE(w->timTimer->isActive());

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
    EXPECT_FALSE(w->timTimer->isActive());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Alpha Page"));
    EXPECT_TRUE(waitUntil([&] { return !w->brwWebBrowser->page()->isLoading(); }));
    settle();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Alpha Page"));
    EXPECT_EQ(w->brwWebBrowser->url(), QUrl::fromLocalFile(alpha));
}

TEST_F(LoadedBrowser, ExitWhileLoadingStopsAndClosesTheWindow)
{
    StallingServer server;
    typeAddress(*w, server.url(QStringLiteral("never")));
    ASSERT_TRUE(waitUntil([&] { return w->windowTitle() == Working; })) << w->windowTitle().toStdString();

    press(*w, "Exit");
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->timTimer->isActive());
    EXPECT_TRUE(waitUntil([&] { return !w->brwWebBrowser->page()->isLoading(); }));
}

TEST(frmBrowser, RefreshAndHomeWithoutAPageDoNothing)
{
    frmBrowser w;
    w.Form_Load(QString());
    for (const char* key : { "Refresh", "Home", "Back", "Forward", "Stop", "NoSuchKey" }) {
        SCOPED_TRACE(key);
        w.tbToolBar_ButtonClick(QString::fromLatin1(key));
        EXPECT_TRUE(waitUntil([&] { return !w.timTimer->isActive(); }));
    }
    settle();
    EXPECT_EQ(w.brwWebBrowser->url(), QUrl());
    EXPECT_TRUE(w.isVisible());
}

TEST(frmBrowser, LayoutKeepsTheMarginsAndLeavesSizesThatWouldDropBelowZero)
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

    frmBrowser w;
    w.Form_Load(QString());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QSize browserBefore = w.brwWebBrowser->size();
        const int boxWidthBefore = w.cboAddress->width();

        w.resize(row.width, row.height);
        ASSERT_TRUE(waitUntil([&] { return w.size() == QSize(row.width, row.height); }))
            << w.width() << "x" << w.height();

        const int stripBottom = w.picAddress->y() + w.picAddress->height();
        const int width = row.width - w.twipsX(100);
        const int height = row.height - stripBottom - w.twipsY(100);
        EXPECT_EQ(w.brwWebBrowser->width(), width >= 0 ? width : browserBefore.width());
        EXPECT_EQ(w.cboAddress->width(), width >= 0 ? width : boxWidthBefore);
        EXPECT_EQ(w.brwWebBrowser->height(), height >= 0 ? height : browserBefore.height());
        EXPECT_GE(w.brwWebBrowser->y(), stripBottom);
        EXPECT_EQ(w.brwWebBrowser->x(), w.twipsX(50));
        EXPECT_EQ(w.picAddress->width(), row.width);
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
    const QList<frmBrowser*> opened = mainWindow.findChildren<frmBrowser*>();
    ASSERT_EQ(opened.size(), 2);
    QList<QPointer<frmBrowser>> windows;
    QStringList captions;
    for (frmBrowser* w : opened) {
        EXPECT_TRUE(w->isWindow());
        EXPECT_TRUE(w->isVisible());
        windows << w;
    }
    for (frmBrowser* w : opened)
        EXPECT_TRUE(waitUntil([&] { return !w->isBusy() && !w->timTimer->isActive(); }));
    for (frmBrowser* w : opened)
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
