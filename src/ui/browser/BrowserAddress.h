#pragma once

#include <QString>
#include <QUrl>

namespace tamsenor {

// Turns what the user typed into the address box (or the start address an
// opener passed) into the address the browser goes to.
//
// A text naming an existing file or directory - absolute, or relative to
// `workingDirectory` - becomes that file's local URL, whatever characters its
// name holds ("#", "?", spaces and non-ASCII letters are part of the name, not
// URL syntax). Any other text is read as a web address, with "http://" assumed
// when it carries no scheme. Blank text gives an empty URL, which the caller
// does not navigate to.
//
// Example: "/tmp/a#1.html" (existing) -> "file:///tmp/a%231.html";
//          "example.com" -> "http://example.com".
QUrl BrowserAddressToUrl(const QString& address, const QString& workingDirectory);

} // namespace tamsenor
