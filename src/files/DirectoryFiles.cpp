#include "files/DirectoryFiles.h"

#include "files/LocalText.h"

#include <algorithm>
#include <unistd.h>

namespace tamsenor {

namespace {

std::optional<QStringList> SortedNames(const QString& directory, io::EntryKind kind)
{
    const std::optional<std::vector<std::string>> names = io::ListDirectory(LocalBytes(directory), kind, false);
    if (!names)
        return std::nullopt;
    QStringList sorted;
    sorted.reserve(static_cast<qsizetype>(names->size()));
    for (const std::string& name : *names)
        sorted << FromLocalBytes(name);
    std::sort(sorted.begin(), sorted.end(), LessIgnoringCase);
    return sorted;
}

} // namespace

std::optional<QStringList> OrdinaryFilesOf(const QString& directory)
{
    // A folder that can be read but not entered lists names it cannot open.
    if (directory.isEmpty() || ::access(LocalBytes(directory).c_str(), R_OK | X_OK) != 0)
        return std::nullopt;
    return SortedNames(directory, io::EntryKind::File);
}

bool LessIgnoringCase(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

QStringList EntryNamesOf(const QString& directory, io::EntryKind kind)
{
    return SortedNames(directory, kind).value_or(QStringList {});
}

} // namespace tamsenor
