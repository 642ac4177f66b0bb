#include "files/FilePattern.h"

namespace tamsenor {

namespace {

bool refusedCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'/' || u < 0x20 || u == 0x7F || c.isSurrogate();
}

// Classic wildcard walk: on a mismatch go back to the last "*" and let it
// swallow one more character. Linear in practice, never exponential.
bool wildcardMatch(const QString& pattern, const QString& name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

std::optional<FilePattern> FilePattern::parse(const QString& pattern)
{
    if (pattern.isEmpty())
        return std::nullopt;
    for (QChar c : pattern)
        if (refusedCharacter(c))
            return std::nullopt;
    FilePattern out;
    out.text_ = pattern;
    for (const QString& alt : pattern.split(u';')) {
        if (alt.toLocal8Bit().size() > MaxNameBytes)
            return std::nullopt;
        if (!alt.isEmpty())
            out.folded_ << alt.toCaseFolded();
    }
    return out;
}

bool FilePattern::matches(const QString& name) const
{
    QString subject = name.toCaseFolded();
    if (!subject.contains(u'.'))
        subject += u'.';
    for (const QString& alt : folded_)
        if (wildcardMatch(alt, subject))
            return true;
    return false;
}

QString SuffixFromExtensionBox(const QString& text)
{
    if (text.contains(u'(') && !text.isEmpty()) {
        // One character, never half of a surrogate pair.
        const int n = text.at(0).isHighSurrogate() && text.size() > 1 ? 2 : 1;
        return text.left(n);
    }
    // The pattern supplies "*." itself: a typed "*.html" or ".html" means the
    // suffix html, not names that end in a second dot and html.
    if (text.startsWith(QStringLiteral("*.")))
        return text.mid(2);
    if (text.startsWith(u'.'))
        return text.mid(1);
    return text;
}

} // namespace tamsenor
