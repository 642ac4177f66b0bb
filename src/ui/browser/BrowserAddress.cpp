#include "ui/browser/BrowserAddress.h"

#include <QDir>
#include <QFileInfo>

namespace tamsenor {

QUrl BrowserAddressToUrl(const QString& address, const QString& workingDirectory)
{
    if (address.trimmed().isEmpty())
        return {};

    // The file test comes first so that a path is never parsed as a URL, where
    // "#" would start a fragment and "?" a query.
    const QFileInfo file(QDir(workingDirectory), address);
    if (file.exists())
        return QUrl::fromLocalFile(file.absoluteFilePath());

    // A relative path is looked for in the working directory, a bare host name
    // becomes a web address.
    return QUrl::fromUserInput(address.trimmed(), workingDirectory);
}

} // namespace tamsenor
