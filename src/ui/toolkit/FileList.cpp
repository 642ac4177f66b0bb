#include "ui/toolkit/FileList.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace tamsenor {

FileList::FileList(QObject* parent)
    : QObject(parent)
    , pattern_(*FilePattern::parse(QStringLiteral("*.*")))
{
}

std::optional<QStringList> FileList::readDirectory(const QString& dir)
{
    const QFileInfo info(dir);
    if (dir.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable())
        return std::nullopt;
    QStringList names;
    // Without QDir::Hidden and QDir::System: no dot files, no devices, sockets
    // or broken links; links to ordinary files count as files.
    QDirIterator it(dir, QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names << it.fileName();
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

bool FileList::setPath(const QString& dir)
{
    auto names = readDirectory(dir);
    if (!names)
        return false;
    path_ = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    all_ = std::move(*names);
    filter();
    return true;
}

bool FileList::setPattern(const QString& pattern)
{
    auto parsed = FilePattern::parse(pattern);
    if (!parsed)
        return false;
    pattern_ = std::move(*parsed);
    if (!path_.isEmpty()) {
        if (auto names = readDirectory(path_))
            all_ = std::move(*names);
    }
    filter();
    return true;
}

void FileList::filter()
{
    names_.clear();
    for (const QString& n : all_)
        if (pattern_.matches(n))
            names_ << n;
}

} // namespace tamsenor
