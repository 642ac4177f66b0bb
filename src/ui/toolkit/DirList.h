#pragma once

#include <QElapsedTimer>
#include <QListWidget>
#include <QString>

namespace tamsenor {

// The directory list: shows the open directory's path, one line per level from
// the root down, followed by its subdirectories (hidden ones left out).
// Opening a line (double click or Enter) makes that directory the open one.
// Every real change of the path, by the user or the program, emits pathChanged.
class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget* parent = nullptr);

    const QString& path() const { return path_; }
    // Opens `dir`. False when it is not a directory that can be listed; the
    // list then stays as it was and lastError() describes why.
    bool setPath(const QString& dir);
    // Re-reads the subdirectories of the open directory.
    void refresh();
    const QString& lastError() const { return lastError_; }

    // The full path a line stands for.
    QString pathOf(int row) const;

    // Typing a folder's first letters moves to it, past the indent of its
    // line (the item views' own search would look at the indent).
    void keyboardSearch(const QString& search) override;

Q_SIGNALS:
    void pathChanged(const QString& path);

private:
    void fill();

    QString path_;
    QString lastError_;
    QString typed_;
    QElapsedTimer sinceTyped_;
};

} // namespace tamsenor
