#include "ui/browser/BrowserAddress.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tamsenor {
namespace {

TEST(BrowserAddressToUrl, ExistingFilesBecomeLocalUrlsAndOtherTextWebAddresses)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : { "page.html", "a#1 b?.html", "d\xc3\xa9j\xc3\xa0.htm" }) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
    }
    const QString base = dir.path();
    const QString other = QDir::tempPath(); // a working directory that holds none of them

    struct Row {
        const char* name;
        QString typed;
        QString workingDirectory;
        QUrl expected;
    };
    const Row rows[] = {
        { "absolute path", base + "/page.html", other, QUrl::fromLocalFile(base + "/page.html") },
        { "path relative to the working directory", "page.html", base, QUrl::fromLocalFile(base + "/page.html") },
        { "name with # ? and spaces", base + "/a#1 b?.html", other, QUrl::fromLocalFile(base + "/a#1 b?.html") },
        { "non-ASCII name", base + QString::fromUtf8("/d\xc3\xa9j\xc3\xa0.htm"), other,
            QUrl::fromLocalFile(base + QString::fromUtf8("/d\xc3\xa9j\xc3\xa0.htm")) },
        { "existing directory", base, other, QUrl::fromLocalFile(base) },
        { "relative name of a missing file is a web address", "page.html", other,
            QUrl(QStringLiteral("http://page.html")) },
        { "host name without a scheme", "example.com", base, QUrl(QStringLiteral("http://example.com")) },
        { "address with a scheme", "https://example.com/a?b#c", base,
            QUrl(QStringLiteral("https://example.com/a?b#c")) },
        { "file URL", "file:///no/such/file.html", base, QUrl(QStringLiteral("file:///no/such/file.html")) },
        { "blank", "   ", base, QUrl() },
        { "empty", "", base, QUrl() },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QUrl url = BrowserAddressToUrl(row.typed, row.workingDirectory);
        EXPECT_EQ(url.toString().toStdString(), row.expected.toString().toStdString());
        if (row.expected.isLocalFile()) {
            EXPECT_EQ(url.toLocalFile(), row.expected.toLocalFile());
        }
    }
}

} // namespace
} // namespace tamsenor
