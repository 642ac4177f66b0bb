#pragma once

#include <QString>

namespace tamsenor {

// The program's version, as the build names it ("0.1.0").
QString ProgramVersion();

// The usage page shown by Help (F1), as HTML: choosing files, the extension
// box, the switches, keyword positions with examples, the keyword file and
// the results file. The one place where the program explains itself.
QString HelpPageHtml();

// The About page, as HTML: the program's name and version, the Qt version it
// runs on and its licence, whole.
QString AboutPageHtml();

} // namespace tamsenor
