#include "ui/toolkit/Folders.h"

#include "files/LocalText.h"
#include "io/Paths.h"

#include <unistd.h>

namespace tamsenor {

QString WorkingFolder()
{
    return FromLocalBytes(io::CurrentDirectory().value_or("/"));
}

bool EnterFolder(const QString& folder)
{
    return !folder.isEmpty() && ::chdir(LocalBytes(folder).c_str()) == 0;
}

QString AbsoluteFolder(const QString& folder)
{
    const std::string bytes = LocalBytes(folder);
    if (bytes.empty())
        return folder;
    if (const auto absolute = io::AbsolutePath(bytes))
        return FromLocalBytes(*absolute);
    // No working folder to lean on: the chooser's own folder is absolute anyway.
    return FromLocalBytes(io::CleanPath(bytes.front() == '/' ? bytes : "/" + bytes));
}

} // namespace tamsenor
