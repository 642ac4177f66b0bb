#pragma once

#include "files/FilePattern.h"

#include <QObject>
#include <QStringList>

namespace tamsenor {

// The file list control (File1): a directory and a pattern; it holds the names
// of the ordinary, non-hidden files of that directory that match the pattern,
// sorted alphabetically without regard to case. It shows nothing itself; the
// main window copies its names into List1.
class FileList : public QObject {
    Q_OBJECT
public:
    explicit FileList(QObject* parent = nullptr);

    const QString& path() const { return path_; }
    // Reads `dir` afresh (even when it is the current path). False when the
    // directory cannot be listed; path and names then stay as they were.
    bool setPath(const QString& dir);

    const QString& pattern() const { return pattern_.text(); }
    // False when the pattern is refused (see FilePattern); pattern and names
    // then stay as they were.
    bool setPattern(const QString& pattern);

    int count() const { return static_cast<int>(names_.size()); }
    QString name(int index) const { return names_.value(index); }
    const QStringList& names() const { return names_; }

private:
    void filter();

    QString path_;
    FilePattern pattern_;
    QStringList all_; // every listable name of path_
    QStringList names_; // those matching the pattern
};

} // namespace tamsenor
