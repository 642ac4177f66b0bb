#pragma once

#include <QComboBox>
#include <QList>
#include <QString>

namespace tamsenor {

// The drive list: the mounted file systems, the root "/" first, each shown by a
// readable name; a drive's root is its mount point. A change of the chosen
// drive, by the user or the program, emits driveChanged once per real change.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    struct Drive {
        QString root; // mount point, e.g. "/" or "/media/usb"
        QString label; // what the list shows
    };

    explicit DriveList(QWidget* parent = nullptr);

    // The mounted file systems of this machine, "/" first, then by mount point.
    static QList<Drive> mountedDrives();

    // Replaces the listed drives (tests list drives of their own).
    void setDrives(const QList<Drive>& drives);
    QList<Drive> drives() const;

    // The root of the chosen drive; empty when none is chosen.
    QString drive() const;
    // Chooses the drive whose root is `root`, adding it when it is not listed.
    void setDrive(const QString& root);
    // The root of the listed drive holding `path` (the longest matching mount
    // point); when none matches, the mount point the system reports.
    QString driveOf(const QString& path) const;

Q_SIGNALS:
    void driveChanged(const QString& root);

private:
    int indexOfRoot(const QString& root) const;
};

} // namespace tamsenor
