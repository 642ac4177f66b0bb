#include "engine/DirectoryFiles.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace tamsenor {

std::optional<QStringList> OrdinaryFilesOf(const QString& directory)
{
    const QFileInfo info(directory);
    if (directory.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable())
        return std::nullopt;
    // Without QDir::Hidden and QDir::System: no dot files, no devices, sockets
    // or broken links.
    return EntryNamesOf(directory, QDir::Files | QDir::NoDotAndDotDot);
}

bool LessIgnoringCase(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

QStringList EntryNamesOf(const QString& directory, QDir::Filters filters)
{
    QStringList names;
    QDirIterator it(directory, filters);
    while (it.hasNext()) {
        it.next();
        names << it.fileName();
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

} // namespace tamsenor
