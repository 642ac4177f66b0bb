#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tamsenor {

// A file name pattern as the file list understands it: "*" any run of
// characters, "?" any one character, letters regardless of case, ";" between
// alternatives, and a name without a dot counts as ending in a dot, so "*."
// matches exactly the names without an extension and "*.*" every name.
//
//   FilePattern::parse("*.htm;*.txt")->matches("Index.HTM")  // true
//   FilePattern::parse("*.")->matches("README")              // true
//
// parse() refuses (nullopt) a pattern that cannot name files in one
// directory: one holding a path separator "/" or a control character, an
// empty one, or an alternative longer than a file name may be (255 bytes).
class FilePattern {
public:
    static constexpr int MaxNameBytes = 255;

    static std::optional<FilePattern> parse(const QString& pattern);

    bool matches(const QString& name) const;
    const QString& text() const { return text_; }

private:
    QString text_;
    QStringList folded_; // case-folded alternatives
};

// The suffix the text of the extension box stands for: a list entry such as
// "* (All File)" gives its first character; a typed "*.html" or ".html" the
// suffix "html", since the file pattern is "*." and the suffix. "*" and
// "*.*" still stand for every file.
QString SuffixFromExtensionBox(const QString& text);

} // namespace tamsenor
