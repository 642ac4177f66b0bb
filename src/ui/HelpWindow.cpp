#include "ui/HelpWindow.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace tamsenor {

HelpWindow::HelpWindow(const QString& title, const QString& html, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    page_ = new QTextBrowser(this);
    page_->setObjectName(QStringLiteral("HelpPage"));
    page_->setAccessibleName(title);
    page_->setOpenLinks(false);
    page_->setHtml(html);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page_);
    layout->addWidget(buttons);
    // Room for about eighty characters a line and a screenful of lines.
    const QFontMetrics fm(font());
    resize(fm.averageCharWidth() * 90, fm.height() * 36);
}

} // namespace tamsenor
