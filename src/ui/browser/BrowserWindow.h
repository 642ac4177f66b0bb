#pragma once

// The browser window (src/ui/browser), in a target of its own because it needs Qt WebEngine.

#include <QElapsedTimer>
#include <QIcon>
#include <QMap>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;
class QToolBar;
class QWebEngineView;

namespace tamsenor {

// A small web-browser window: an address strip, a navigation toolbar and the
// browser area below them. The window only drives the browser control; its
// caption reads "Working..." while a page loads and the page's title otherwise.
//
// Positions and margins are given in twips (1/1440 inch) and converted with the
// window's logical resolution.
class BrowserWindow : public QWidget {
    Q_OBJECT

public:
    // `mainWindow`, when given, owns the window (which stays a window of its
    // own) and closing it closes this window too.
    explicit BrowserWindow(QWidget* mainWindow = nullptr);
    ~BrowserWindow() override;

    // Start-up: shows the window and, unless `startAddress` is empty, puts the
    // address into the address box and its list and opens it.
    void start(const QString& startAddress);

    // Runs the toolbar button identified by `key` ("Back", "Forward", "Stop",
    // "Refresh", "Home", "Search", "Exit"); another key only starts the timer.
    void toolBarButtonClicked(const QString& key);

    // Whether the browser is loading, or about to start loading, a page.
    bool isBusy() const;

    // Twips to whole pixels, across and down.
    int twipsX(int twips) const;
    int twipsY(int twips) const;

    // The program's own page behind "Search".
    static QString searchPageHtml();

    QString StartingAddress;

    QToolBar* toolBar_ = nullptr;
    QWidget* addressStrip_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QComboBox* addressBox_ = nullptr;
    QWebEngineView* webView_ = nullptr;
    QTimer* busyTimer_ = nullptr;
    QMap<QString, QIcon> imlIcons; // toolbar pictures by button key

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeControls();
    void addressChosen();
    void addressKeyPressed(int keyAscii);
    void pageLoaded();
    void busyTimerTicked();

    void buildImageList();
    void buildToolBar();
    void updateHistoryButtons();
    void placeAddressStrip();
    QString locationName() const;

    // Navigation helpers; each one marks the browser busy only when the control
    // will really start a load, so that the caption never sticks at "Working...".
    void navigate(const QString& address);
    void goBack();
    void goForward();
    void refresh();
    void goSearch();
    void expectLoad();
    void stopLoading();

    bool loading_ = false;
    bool loadExpected_ = false;
    QElapsedTimer loadExpectedSince_;
};

// Opens a new browser window on `startAddress` (empty: a blank window) beside
// the main window. Several may be open; each is deleted when it closes, and all
// close with the main window.
void OpenBrowserWindow(QWidget* mainWindow, const QString& startAddress);

// To be called in main() before the QApplication exists. The browser engine
// refuses to start as root while its sandbox is on, so the sandbox is turned off
// for this process (and the engine's helper processes it starts) when, and only
// when, the program runs as root.
void PrepareBrowserProcess();

} // namespace tamsenor
