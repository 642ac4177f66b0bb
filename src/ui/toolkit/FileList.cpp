#include "ui/toolkit/FileList.h"

#include "files/DirectoryFiles.h"

#include "ui/toolkit/Folders.h"

#include <algorithm>

namespace tamsenor {

FileList::FileList(QObject* parent)
    : QObject(parent)
    , pattern_(*FilePattern::parse(QStringLiteral("*.*")))
{
}

bool FileList::setPath(const QString& dir)
{
    auto names = OrdinaryFilesOf(dir);
    if (!names)
        return false;
    path_ = AbsoluteFolder(dir);
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
        if (auto names = OrdinaryFilesOf(path_))
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
