#pragma once

#include "markup/MarkupReader.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace tamsenor::markup {

// Hands a page to libxml2 with the character references it would read
// differently from a browser written out as it reads them the browser's way:
// numeric references to 0x80-0x9F become the windows-1252 characters of those
// bytes, and those to no character (0, a surrogate, above U+10FFFF) become
// U+FFFD, and the named references of the standard's list that libxml2 does
// not know (those added after HTML 4, and those written without their
// semicolon where a browser reads them so) become numbers, in text and
// attribute values alike. The content of script and
// style elements is left as it is, and every NUL is given as a space (libxml2
// reads one inside text so and would take one between two items for the end
// of the document). A start tag keeps its first 256 attributes; the rest are
// given as spaces. For pages in an ASCII-compatible encoding without escape
// modes only; others are copied as they are.
// Example: "<p title='&#150;'>&#0;&NewLine;&nbsp x" -> "<p title='&#8211;'>&#65533;&#10;&#160; x".
class ReferenceRewriter {
public:
    explicit ReferenceRewriter(std::string_view page)
        : page_(page)
    {
    }

    // Writes the next part of the page into `out` (at most `room` bytes) and
    // returns how many were written; 0 at the end.
    std::size_t fill(char* out, std::size_t room);

    // How much of the page has been handed over.
    std::size_t taken() const { return at_; }

    // From here on, long attribute values and runs of text that libxml2
    // would take exactly as written (no reference in them) are handed over
    // as a placeholder, U+FDD0 and a number, and read back from the page by
    // valueFor: libxml2 reads them one character at a time through several
    // calls each, which is a third of its time on real pages. Only for
    // well-formed UTF-8 that libxml2 reads as UTF-8 whatever it declares; a
    // page with a NUL or a U+FDD0 keeps them. The tags are read ahead as
    // libxml2 reads them (comments, doctype, processing instructions, script
    // and style content, its recovery from broken tags), and from the first
    // thing read otherwise on, the rest of the page is handed over whole.
    void setValuesAside();
    // The value or text a placeholder stands for; any other as it is. The
    // placeholders before it are forgotten: they are asked for in page order.
    std::string_view valueFor(std::string_view value);
    // A start tag whose attributes all read as written (lower-case names,
    // no reference) is handed over with one attribute in their place, named
    // "_:." and a number. For the attribute named so: its tag's attributes,
    // as libxml2 reads them (the first of two of the same name), into
    // `attributes`; false for any other name.
    bool attributesFor(std::string_view name, std::vector<Attribute>& attributes);

private:
    std::size_t reference(char* out);
    std::size_t named(char* out);
    bool tag();
    bool longTag(std::size_t at) const;
    void attributes();

    // The attributes of one tag that are kept; the rest are given as spaces.
    static constexpr std::size_t kMaxAttributes = 256;
    bool mayStartOrEndRaw(std::size_t at) const;

    std::string_view page_;
    std::size_t at_ = 0;
    std::string_view rawEnd_; // "script" or "style" while inside one
    std::size_t scriptEnd_ = 0; // where the script we are in ends
    std::size_t blankFrom_ = static_cast<std::size_t>(-1); // the attributes past the kept ones
    std::size_t blankTo_ = 0;

    enum class Kind : unsigned char {
        Text, // a value or a run of text
        Blanks, // a run of white space, handed over as white space
        Attributes, // the attributes of a start tag
        Comment, // what a comment holds, handed over as nothing
    };
    struct Span {
        std::size_t at;
        std::size_t length;
        Kind kind;
    };
    const Span* take(std::string_view placeholder, std::string_view mark, std::size_t base);
    static constexpr std::size_t kOff = static_cast<std::size_t>(-1);
    bool planAhead();
    void planText(std::size_t at);
    std::size_t readTag(std::size_t at);
    std::size_t readStartTag(std::size_t at);
    bool touchesRaw(std::size_t from, std::size_t to) const;
    // The values set aside, in page order, from the one numbered firstAside_;
    // those before liveAside_ are read back or left out.
    std::vector<Span> aside_;
    std::size_t firstAside_ = 0;
    std::size_t liveAside_ = 0;
    std::size_t planned() const { return firstAside_ + aside_.size(); }
    const Span& span(std::size_t index) const { return aside_[index - firstAside_]; }
    std::size_t nextAside_ = 0; // the first of them not handed over yet
    std::size_t readAhead_ = kOff; // where reading the tags ahead goes on; kOff: no more values set aside
    bool blanksAside_ = false; // whether runs of white space may be set aside too
    bool tagsAside_ = false; // whether the attributes of a start tag may be set aside too
    bool inContent_ = false; // whether the tags read ahead have reached the first element
};

// Whether an encoding (an iconv name) writes ASCII as ASCII and has no modes
// in which ASCII bytes mean other characters, so that ReferenceRewriter may read its bytes.
bool IsAsciiCompatible(std::string_view encoding);

} // namespace tamsenor::markup
