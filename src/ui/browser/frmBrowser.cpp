#include "ui/browser/frmBrowser.h"

#include "ui/browser/BrowserAddress.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
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

// A magnifying glass; the platform styles offer no search picture.
QIcon magnifierIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 3));
    painter.drawEllipse(QRectF(5, 5, 15, 15));
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19, 19), QPointF(27, 27));
    painter.end();
    return QIcon(pixmap);
}

} // namespace

frmBrowser::frmBrowser(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window)
{
    setObjectName(QStringLiteral("frmBrowser"));

    buildImageList();
    buildToolBar();

    picAddress = new QWidget(this);
    picAddress->setObjectName(QStringLiteral("picAddress"));
    picAddress->setAccessibleName(QStringLiteral("Address bar"));

    lblAddress = new QLabel(QStringLiteral("&Address:"), picAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));

    cboAddress = new QComboBox(picAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setAccessibleName(QStringLiteral("Address"));
    cboAddress->setEditable(true);
    // Typed addresses stay out of the list, and the text is gone to as typed.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setCompleter(nullptr);
    // Enter reaches the line edit by two roads: directly, and through the combo
    // box (which holds the focus and hands its keys on without any event
    // filter seeing them). The line edit reports both alike.
    connect(cboAddress->lineEdit(), &QLineEdit::returnPressed, this, [this] { cboAddress_KeyPress(13); });
    lblAddress->setBuddy(cboAddress);
    connect(cboAddress, &QComboBox::activated, this, [this] { cboAddress_Click(); });

    brwWebBrowser = new QWebEngineView(this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    brwWebBrowser->setAccessibleName(QStringLiteral("Web page"));
    connect(brwWebBrowser, &QWebEngineView::loadStarted, this, [this] { loadExpected_ = false; });
    connect(brwWebBrowser, &QWebEngineView::urlChanged, this, [this] { loadExpected_ = false; });
    connect(brwWebBrowser, &QWebEngineView::loadFinished, this, [this] { brwWebBrowser_DownloadComplete(); });

    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);
    connect(timTimer, &QTimer::timeout, this, [this] { timTimer_Timer(); });

    placeAddressStrip();
    resize(twipsX(9600), twipsY(7200));

    if (mainWindow)
        mainWindow->installEventFilter(this);
}

frmBrowser::~frmBrowser() = default;

int frmBrowser::twipsX(int twips) const
{
    return qRound(twips * logicalDpiX() / 1440.0);
}

int frmBrowser::twipsY(int twips) const
{
    return qRound(twips * logicalDpiY() / 1440.0);
}

void frmBrowser::buildImageList()
{
    QStyle* s = style();
    imlIcons.insert(QStringLiteral("Back"), s->standardIcon(QStyle::SP_ArrowBack));
    imlIcons.insert(QStringLiteral("Forward"), s->standardIcon(QStyle::SP_ArrowForward));
    imlIcons.insert(QStringLiteral("Stop"), s->standardIcon(QStyle::SP_BrowserStop));
    imlIcons.insert(QStringLiteral("Refresh"), s->standardIcon(QStyle::SP_BrowserReload));
    imlIcons.insert(QStringLiteral("Home"), s->standardIcon(QStyle::SP_DirHomeIcon));
    imlIcons.insert(QStringLiteral("Search"), QIcon::fromTheme(QStringLiteral("system-search"), magnifierIcon()));
    imlIcons.insert(QStringLiteral("Exit"), s->standardIcon(QStyle::SP_DialogCloseButton));
}

void frmBrowser::buildToolBar()
{
    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setAccessibleName(QStringLiteral("Navigation"));
    tbToolBar->setMovable(false);
    for (const QString& key : ButtonKeys) {
        QAction* button = tbToolBar->addAction(imlIcons.value(key), key);
        button->setObjectName(key);
        button->setData(key);
        button->setToolTip(key);
        connect(button, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
    }
}

// The strip holds the label and, below it, the address box.
void frmBrowser::placeAddressStrip()
{
    lblAddress->adjustSize();
    lblAddress->move(twipsX(50), twipsY(60));
    cboAddress->move(twipsX(50), lblAddress->y() + lblAddress->height() + twipsY(15));
    cboAddress->resize(cboAddress->width(), cboAddress->sizeHint().height());
    picAddress->resize(picAddress->width(), cboAddress->y() + cboAddress->height() + twipsY(60));
}

void frmBrowser::Form_Load(const QString& startAddress)
{
    show();
    tbToolBar->update();
    Form_Resize();

    StartingAddress = startAddress;
    cboAddress->move(twipsX(50), lblAddress->y() + lblAddress->height() + twipsY(15));
    if (StartingAddress.isEmpty())
        return;

    cboAddress->addItem(StartingAddress);
    cboAddress->setEditText(StartingAddress);
    timTimer->start();
    navigate(StartingAddress);
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

// The address box and the browser keep a margin of 100 twips across, the
// browser one of 100 twips below the strip. A size that would drop below zero
// (a very small or minimised window) is left as it was.
void frmBrowser::Form_Resize()
{
    const int scaleWidth = width();
    const int scaleHeight = height();

    tbToolBar->setGeometry(0, 0, scaleWidth, tbToolBar->sizeHint().height());
    picAddress->setGeometry(0, tbToolBar->height(), scaleWidth, picAddress->height());
    const int stripBottom = picAddress->y() + picAddress->height();
    brwWebBrowser->move(twipsX(50), stripBottom + twipsY(50));

    const int innerWidth = scaleWidth - twipsX(100);
    if (innerWidth >= 0) {
        cboAddress->resize(innerWidth, cboAddress->height());
        brwWebBrowser->resize(innerWidth, brwWebBrowser->height());
    }
    const int browserHeight = scaleHeight - stripBottom - twipsY(100);
    if (browserHeight >= 0)
        brwWebBrowser->resize(brwWebBrowser->width(), browserHeight);
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Hide && !event->spontaneous()) {
        // The main window was closed (minimising it hides it spontaneously).
        close();
    }
    return QWidget::eventFilter(watched, event);
}

void frmBrowser::cboAddress_Click()
{
    timTimer->start();
    navigate(cboAddress->currentText());
}

void frmBrowser::cboAddress_KeyPress(int keyAscii)
{
    if (keyAscii != 13)
        return;
    timTimer->start();
    navigate(cboAddress->currentText());
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    setWindowTitle(locationName());
}

void frmBrowser::timTimer_Timer()
{
    if (isBusy()) {
        setWindowTitle(WorkingCaption);
    } else {
        timTimer->stop();
        setWindowTitle(locationName());
    }
}

void frmBrowser::tbToolBar_ButtonClick(const QString& key)
{
    timTimer->start();
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
        timTimer->stop();
        stopLoading();
        setWindowTitle(locationName());
    } else if (key == QLatin1String("Exit")) {
        timTimer->stop();
        stopLoading();
        close();
    }
}

bool frmBrowser::isBusy() const
{
    if (brwWebBrowser->page()->isLoading())
        return true;
    return loadExpected_ && loadExpectedSince_.elapsed() < ExpectedLoadLapseMs;
}

QString frmBrowser::locationName() const
{
    return brwWebBrowser->title();
}

void frmBrowser::expectLoad()
{
    loadExpected_ = true;
    loadExpectedSince_.start();
}

// An address that cannot be gone to (blank text) is ignored like any other
// failure of the control.
void frmBrowser::navigate(const QString& address)
{
    const QUrl url = BrowserAddressToUrl(address, QDir::currentPath());
    if (!url.isValid() || url.isEmpty())
        return;
    expectLoad();
    brwWebBrowser->load(url);
}

void frmBrowser::goBack()
{
    if (!brwWebBrowser->history()->canGoBack())
        return;
    expectLoad();
    brwWebBrowser->back();
}

void frmBrowser::goForward()
{
    if (!brwWebBrowser->history()->canGoForward())
        return;
    expectLoad();
    brwWebBrowser->forward();
}

void frmBrowser::refresh()
{
    if (brwWebBrowser->url().isEmpty())
        return;
    expectLoad();
    brwWebBrowser->reload();
}

void frmBrowser::goSearch()
{
    expectLoad();
    brwWebBrowser->setHtml(searchPageHtml());
}

void frmBrowser::stopLoading()
{
    loadExpected_ = false;
    brwWebBrowser->stop();
}

QString frmBrowser::searchPageHtml()
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
    auto* window = new frmBrowser(mainWindow);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load(startAddress);
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
