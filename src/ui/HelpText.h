#pragma once

#include <QString>

#include <vector>

namespace tamsenor {

// The program's version, as the build names it ("0.1.0").
QString ProgramVersion();

// The usage page shown by Help (F1), as HTML: choosing files, the extension
// box, the switches, keyword positions with examples, the keyword file, the
// results file, the preview, what is remembered, the browser and the
// command-line companion. The one place where the program explains itself.
QString HelpPageHtml();

// A library the program is built with, credited on the About page.
struct ThirdPartyLibrary {
    const char* name;
    const char* use; // what the program takes it for
    const char* licence;
    const char* address;
};

// Every library the program links besides the C++ runtime; one added later
// is one more entry.
const std::vector<ThirdPartyLibrary>& ThirdPartyLibraries();

// The About page, as HTML: the program's name and version, the Qt version it
// runs on, the libraries it is built with and their licences, and its own
// licence, whole.
QString AboutPageHtml();

} // namespace tamsenor
