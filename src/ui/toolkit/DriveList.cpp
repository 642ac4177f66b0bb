#include "ui/toolkit/DriveList.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>

namespace tamsenor {

DriveList::DriveList(QWidget* parent)
    : QComboBox(parent)
{
    setDrives(mountedDrives());
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            Q_EMIT driveChanged(itemData(index).toString());
    });
}

QList<DriveList::Drive> DriveList::mountedDrives()
{
    QList<Drive> out;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        if (!s.isValid())
            continue;
        const QString root = s.rootPath();
        if (std::any_of(out.begin(), out.end(), [&](const Drive& d) { return d.root == root; }))
            continue;
        QString label = root;
        const QString name = s.name().isEmpty() ? QString::fromLocal8Bit(s.device()) : s.name();
        if (!name.isEmpty() && name != root)
            label += QStringLiteral("  [") + name + u']';
        out.push_back({ root, label });
    }
    if (std::none_of(out.begin(), out.end(), [](const Drive& d) { return d.root == u"/"; }))
        out.push_back({ QStringLiteral("/"), QStringLiteral("/") });
    std::stable_sort(out.begin(), out.end(), [](const Drive& a, const Drive& b) {
        if ((a.root == u"/") != (b.root == u"/"))
            return a.root == u"/";
        return a.root < b.root;
    });
    return out;
}

void DriveList::setDrives(const QList<Drive>& drives)
{
    const QSignalBlocker quiet(this);
    clear();
    for (const Drive& d : drives)
        addItem(d.label, d.root);
    setCurrentIndex(-1);
}

QList<DriveList::Drive> DriveList::drives() const
{
    QList<Drive> out;
    for (int i = 0; i < count(); ++i)
        out.push_back({ itemData(i).toString(), itemText(i) });
    return out;
}

QString DriveList::drive() const
{
    return currentIndex() < 0 ? QString() : itemData(currentIndex()).toString();
}

int DriveList::indexOfRoot(const QString& root) const
{
    for (int i = 0; i < count(); ++i)
        if (itemData(i).toString() == root)
            return i;
    return -1;
}

void DriveList::setDrive(const QString& root)
{
    int index = indexOfRoot(root);
    if (index < 0) {
        addItem(root, root);
        index = count() - 1;
    }
    setCurrentIndex(index); // emits driveChanged only on a real change
}

QString DriveList::driveOf(const QString& path) const
{
    const QString clean = QDir::cleanPath(path);
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        const bool inside = root == u"/" || clean == root || clean.startsWith(root + u'/');
        if (inside && root.size() > best.size())
            best = root;
    }
    if (!best.isEmpty())
        return best;
    const QStorageInfo s(clean);
    return s.isValid() ? s.rootPath() : QStringLiteral("/");
}

} // namespace tamsenor
