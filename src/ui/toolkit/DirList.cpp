#include "ui/toolkit/DirList.h"

#include "files/DirectoryFiles.h"
#include "files/LocalText.h"
#include "ui/toolkit/Folders.h"

#include <QApplication>
#include <QStyle>

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tamsenor {

namespace {

// Why `dir` cannot be listed, in the system's words; empty when it can.
QString listingError(const QString& dir)
{
    if (dir.isEmpty())
        return QStringLiteral("No directory was given.");
    DIR* d = ::opendir(LocalBytes(dir).c_str());
    if (!d) {
        const int err = errno;
        return FromLocalBytes(std::strerror(err)) + QStringLiteral(": ") + ForDisplay(dir);
    }
    ::closedir(d);
    return {};
}

} // namespace

DirList::DirList(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this,
        [this](QListWidgetItem* item) { setPath(item->data(Qt::UserRole).toString()); });
}

bool DirList::setPath(const QString& dir)
{
    const QString clean = dir.isEmpty() ? dir : AbsoluteFolder(dir);
    lastError_ = listingError(clean);
    if (!lastError_.isEmpty())
        return false;
    if (clean == path_) {
        fill();
        return true;
    }
    path_ = clean;
    fill();
    Q_EMIT pathChanged(path_);
    return true;
}

void DirList::refresh()
{
    fill();
}

void DirList::keyboardSearch(const QString& search)
{
    if (search.isEmpty() || count() == 0)
        return;
    const bool goingOn = sinceTyped_.isValid() && sinceTyped_.elapsed() < QApplication::keyboardInputInterval();
    typed_ = goingOn ? typed_ + search : search;
    sinceTyped_.start();
    // A new first letter moves on from the current line; more letters may stay on it.
    const int from = std::max(currentRow(), 0) + (goingOn ? 0 : 1);
    for (int i = 0; i < count(); ++i) {
        const int row = (from + i) % count();
        if (item(row)->text().trimmed().startsWith(typed_, Qt::CaseInsensitive)) {
            setCurrentRow(row);
            return;
        }
    }
}

QString DirList::pathOf(int row) const
{
    const QListWidgetItem* it = item(row);
    return it ? it->data(Qt::UserRole).toString() : QString();
}

void DirList::fill()
{
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    clear();

    // The levels of the path, from the root down, indented by depth.
    QStringList parts = path_.split(u'/', Qt::SkipEmptyParts);
    QString level = QStringLiteral("/");
    int depth = 0;
    auto addLine = [&](const QString& text, const QString& full, const QIcon& icon) {
        auto* it = new QListWidgetItem(icon, QString(depth * 2, u' ') + ForDisplay(text), this);
        it->setData(Qt::UserRole, full);
        it->setToolTip(ForDisplay(full));
        return it;
    };
    QListWidgetItem* open = addLine(QStringLiteral("/"), level, openIcon);
    for (const QString& part : parts) {
        ++depth;
        level = level == u"/" ? level + part : level + u'/' + part;
        open = addLine(part, level, openIcon);
    }

    ++depth;
    const QStringList subdirs = EntryNamesOf(path_, io::EntryKind::Directory);
    const QString base = path_ == u"/" ? path_ : path_ + u'/';
    for (const QString& s : subdirs)
        addLine(s, base + s, closedIcon);

    setCurrentItem(open);
    scrollToItem(open);
}

} // namespace tamsenor
