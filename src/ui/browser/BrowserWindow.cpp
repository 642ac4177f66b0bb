#include "ui/browser/BrowserWindow.h"

#include "ui/browser/BrowserAddress.h"
#include "ui/toolkit/AccessibleRoles.h"
#include "ui/toolkit/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <unistd.h>

namespace tamsenor {

namespace {

const QString WorkingCaption = QStringLiteral("Working...");

// The toolbar's buttons by key, in their order.
const QStringList ButtonKeys = { QStringLiteral("Back"), QStringLiteral("Forward"), QStringLiteral("Stop"),
    QStringLiteral("Refresh"), QStringLiteral("Home"), QStringLiteral("Search"), QStringLiteral("Exit") };

// The control reports the start of a load a moment after it was asked for
// one; until then the window counts the load as coming. A navigation inside
// the same page never reports a start, so the expectation lapses.
constexpr qint64 ExpectedLoadLapseMs = 3000;

// A magnifying glass in `ink`; the platform styles offer no search picture.
QIcon magnifierIcon(const QColor& ink)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ink, 3));
    painter.drawEllipse(QRectF(5, 5, 15, 15));
    painter.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19, 19), QPointF(27, 27));
    painter.end();
    return QIcon(pixmap);
}

// What the address box shows for the page at `url`: a local file as its
// path, the program's own pages (held in the URL itself) as nothing.
QString AddressOf(const QUrl& url)
{
    if (url.isLocalFile())
        return url.toLocalFile();
    if (url.scheme() == QLatin1String("data"))
        return QString();
    return url.toDisplayString();
}

} // namespace

BrowserWindow::BrowserWindow(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window)
{
    // Screen readers meet the window as a frame named by its caption.
    InstallAccessibleRoles();
    setObjectName(QStringLiteral("frmBrowser"));

    buildImageList();
    buildToolBar();

    addressStrip_ = new QWidget(this);
    addressStrip_->setObjectName(QStringLiteral("picAddress"));
    addressStrip_->setAccessibleName(QStringLiteral("Address bar"));

    addressLabel_ = new QLabel(QStringLiteral("&Address:"), addressStrip_);
    addressLabel_->setObjectName(QStringLiteral("lblAddress"));

    addressBox_ = new QComboBox(addressStrip_);
    addressBox_->setObjectName(QStringLiteral("cboAddress"));
    addressBox_->setAccessibleName(QStringLiteral("Address"));
    addressBox_->setEditable(true);
    // Typed addresses stay out of the list, and the text is gone to as typed.
    addressBox_->setInsertPolicy(QComboBox::NoInsert);
    addressBox_->setCompleter(nullptr);
    // Enter reaches the line edit by two roads: directly, and through the combo
    // box (which holds the focus and hands its keys on without any event
    // filter seeing them). The line edit reports both alike.
    connect(addressBox_->lineEdit(), &QLineEdit::returnPressed, this, [this] { addressKeyPressed(13); });
    addressLabel_->setBuddy(addressBox_);
    connect(addressBox_, &QComboBox::activated, this, [this] { addressChosen(); });

    webView_ = new QWebEngineView(this);
    webView_->setObjectName(QStringLiteral("brwWebBrowser"));
    webView_->setAccessibleName(QStringLiteral("Web page"));
    connect(webView_, &QWebEngineView::loadStarted, this, [this] { loadExpected_ = false; });
    connect(webView_, &QWebEngineView::urlChanged, this, [this](const QUrl& url) {
        loadExpected_ = false;
        // The box follows Back, Forward, Home and links, not only typing.
        addressBox_->setEditText(AddressOf(url));
        updateHistoryButtons();
    });
    connect(webView_, &QWebEngineView::loadFinished, this, [this] {
        updateHistoryButtons();
        pageLoaded();
    });

    busyTimer_ = new QTimer(this);
    busyTimer_->setObjectName(QStringLiteral("timTimer"));
    busyTimer_->setInterval(5);
    connect(busyTimer_, &QTimer::timeout, this, [this] { busyTimerTicked(); });

    placeAddressStrip();
    updateHistoryButtons();
    QSize size(twipsX(9600), twipsY(7200));
    // A large scale must not push the window's edges off the screen.
    if (QScreen* screen = mainWindow ? mainWindow->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size);

    if (mainWindow)
        mainWindow->installEventFilter(this);
}

BrowserWindow::~BrowserWindow() = default;

// The browser's layout grows with the screen's dots per inch rather than the font.
int BrowserWindow::twipsX(int value) const
{
    return twips(value, logicalDpiX() / 96.0);
}

int BrowserWindow::twipsY(int value) const
{
    return twips(value, logicalDpiY() / 96.0);
}

void BrowserWindow::buildImageList()
{
    QStyle* s = style();
    imlIcons.insert(QStringLiteral("Back"), s->standardIcon(QStyle::SP_ArrowBack));
    imlIcons.insert(QStringLiteral("Forward"), s->standardIcon(QStyle::SP_ArrowForward));
    imlIcons.insert(QStringLiteral("Stop"), s->standardIcon(QStyle::SP_BrowserStop));
    imlIcons.insert(QStringLiteral("Refresh"), s->standardIcon(QStyle::SP_BrowserReload));
    imlIcons.insert(QStringLiteral("Home"), s->standardIcon(QStyle::SP_DirHomeIcon));
    imlIcons.insert(QStringLiteral("Search"), QIcon::fromTheme(QStringLiteral("system-search"), magnifierIcon(palette().color(QPalette::WindowText))));
    imlIcons.insert(QStringLiteral("Exit"), s->standardIcon(QStyle::SP_DialogCloseButton));
}

void BrowserWindow::buildToolBar()
{
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("tbToolBar"));
    toolBar_->setAccessibleName(QStringLiteral("Navigation"));
    toolBar_->setMovable(false);
    for (const QString& key : ButtonKeys) {
        QAction* button = toolBar_->addAction(imlIcons.value(key), key);
        button->setObjectName(key);
        button->setData(key);
        button->setToolTip(key);
        connect(button, &QAction::triggered, this, [this, key] { toolBarButtonClicked(key); });
    }
    // The toolbar's own button for what does not fit; unnamed, a screen
    // reader would announce a blank button.
    if (auto* more = toolBar_->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More buttons"));
    // The keys every browser goes back and forward with.
    toolBar_->findChild<QAction*>(QStringLiteral("Back"))->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    toolBar_->findChild<QAction*>(QStringLiteral("Forward"))->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
}

// Back and Forward can be pressed only when there is somewhere to go.
void BrowserWindow::updateHistoryButtons()
{
    toolBar_->findChild<QAction*>(QStringLiteral("Back"))->setEnabled(webView_->history()->canGoBack());
    toolBar_->findChild<QAction*>(QStringLiteral("Forward"))->setEnabled(webView_->history()->canGoForward());
}

// The strip holds the label and, below it, the address box.
void BrowserWindow::placeAddressStrip()
{
    addressLabel_->adjustSize();
    addressLabel_->move(twipsX(50), twipsY(60));
    addressBox_->move(twipsX(50), addressLabel_->y() + addressLabel_->height() + twipsY(15));
    addressBox_->resize(addressBox_->width(), addressBox_->sizeHint().height());
    addressStrip_->resize(addressStrip_->width(), addressBox_->y() + addressBox_->height() + twipsY(60));
}

void BrowserWindow::start(const QString& startAddress)
{
    show();
    toolBar_->update();
    placeControls();

    StartingAddress = startAddress;
    addressBox_->move(twipsX(50), addressLabel_->y() + addressLabel_->height() + twipsY(15));
    if (StartingAddress.isEmpty())
        return;

    addressBox_->addItem(StartingAddress);
    addressBox_->setEditText(StartingAddress);
    busyTimer_->start();
    navigate(StartingAddress);
    // The page has the keys, as in any browser; Alt+A then selects the
    // whole address, ready to be typed over.
    webView_->setFocus();
}

void BrowserWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeControls();
}

// The address box and the browser keep a margin of 100 twips across, the
// browser one of 100 twips below the strip. A size that would drop below zero
// (a very small or minimised window) is left as it was.
void BrowserWindow::placeControls()
{
    const int scaleWidth = width();
    const int scaleHeight = height();

    toolBar_->setGeometry(0, 0, scaleWidth, toolBar_->sizeHint().height());
    addressStrip_->setGeometry(0, toolBar_->height(), scaleWidth, addressStrip_->height());
    const int stripBottom = addressStrip_->y() + addressStrip_->height();
    webView_->move(twipsX(50), stripBottom + twipsY(50));

    const int innerWidth = scaleWidth - twipsX(100);
    if (innerWidth >= 0) {
        addressBox_->resize(innerWidth, addressBox_->height());
        webView_->resize(innerWidth, webView_->height());
    }
    const int browserHeight = scaleHeight - stripBottom - twipsY(100);
    if (browserHeight >= 0)
        webView_->resize(webView_->width(), browserHeight);
}

bool BrowserWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Hide && !event->spontaneous()) {
        // The main window was closed (minimising it hides it spontaneously).
        close();
    }
    return QWidget::eventFilter(watched, event);
}

void BrowserWindow::addressChosen()
{
    busyTimer_->start();
    navigate(addressBox_->currentText());
}

void BrowserWindow::addressKeyPressed(int keyAscii)
{
    if (keyAscii != 13)
        return;
    busyTimer_->start();
    navigate(addressBox_->currentText());
}

void BrowserWindow::pageLoaded()
{
    setWindowTitle(locationName());
}

void BrowserWindow::busyTimerTicked()
{
    if (isBusy()) {
        setWindowTitle(WorkingCaption);
    } else {
        busyTimer_->stop();
        setWindowTitle(locationName());
    }
}

void BrowserWindow::toolBarButtonClicked(const QString& key)
{
    busyTimer_->start();
    if (key == QLatin1String("Back")) {
        goBack();
    } else if (key == QLatin1String("Forward")) {
        goForward();
    } else if (key == QLatin1String("Refresh")) {
        refresh();
    } else if (key == QLatin1String("Home")) {
        navigate(StartingAddress);
    } else if (key == QLatin1String("Search")) {
        goSearch();
    } else if (key == QLatin1String("Stop")) {
        busyTimer_->stop();
        stopLoading();
        setWindowTitle(locationName());
    } else if (key == QLatin1String("Exit")) {
        busyTimer_->stop();
        stopLoading();
        close();
    }
}

bool BrowserWindow::isBusy() const
{
    if (webView_->page()->isLoading())
        return true;
    return loadExpected_ && loadExpectedSince_.elapsed() < ExpectedLoadLapseMs;
}

QString BrowserWindow::locationName() const
{
    return webView_->title();
}

void BrowserWindow::expectLoad()
{
    loadExpected_ = true;
    loadExpectedSince_.start();
}

// An address that cannot be gone to (blank text) is ignored like any other
// failure of the control.
void BrowserWindow::navigate(const QString& address)
{
    const QUrl url = BrowserAddressToUrl(address, QDir::currentPath());
    if (!url.isValid() || url.isEmpty())
        return;
    expectLoad();
    webView_->load(url);
}

void BrowserWindow::goBack()
{
    if (!webView_->history()->canGoBack())
        return;
    expectLoad();
    webView_->back();
}

void BrowserWindow::goForward()
{
    if (!webView_->history()->canGoForward())
        return;
    expectLoad();
    webView_->forward();
}

void BrowserWindow::refresh()
{
    if (webView_->url().isEmpty())
        return;
    expectLoad();
    webView_->reload();
}

void BrowserWindow::goSearch()
{
    expectLoad();
    webView_->setHtml(searchPageHtml());
}

void BrowserWindow::stopLoading()
{
    loadExpected_ = false;
    webView_->stop();
}

QString BrowserWindow::searchPageHtml()
{
    return QStringLiteral("<!DOCTYPE html>\n"
                          "<html><head><meta charset=\"utf-8\"><title>No search engine</title></head>\n"
                          "<body style=\"font-family: sans-serif; margin: 2em\">\n"
                          "<h1>No search engine</h1>\n"
                          "<p>No search engine is configured for this browser window.</p>\n"
                          "<p>Type the address of a page or the path of a file in the Address box "
                          "and press Enter.</p>\n"
                          "</body></html>\n");
}

void OpenBrowserWindow(QWidget* mainWindow, const QString& startAddress)
{
    auto* window = new BrowserWindow(mainWindow);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->start(startAddress);
}

void PrepareBrowserProcess()
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The browser engine shares OpenGL contexts with the widgets; this must be
    // set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace tamsenor
