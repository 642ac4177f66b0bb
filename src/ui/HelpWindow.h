#pragma once

#include <QDialog>

class QTextBrowser;

namespace tamsenor {

// A window that shows one page of HTML (the help page or the About page)
// beside the main window, without blocking it. Links to other programs or
// the network are not followed.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    HelpWindow(const QString& title, const QString& html, QWidget* parent = nullptr);

    QTextBrowser* page() const { return page_; }

private:
    QTextBrowser* page_ = nullptr;
};

} // namespace tamsenor
