#pragma once

#include "markup/MarkupReader.h"

#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace tamsenor::markup {

// The properties of the page's own CSS that change its text. Everything else
// a style sheet says (colours, fonts, sizes) is left out before matching,
// which is where nearly all the time of applying CSS would go.
enum class Display : unsigned char {
    None,
    Inline, // also contents and the table parts that make no line (row groups, columns)
    Block, // also list-item, flex, grid, flow-root
    InlineBlock, // also inline-flex, inline-grid, inline-table
    Table,
    Row,
    Cell,
};
enum class TextTransform : unsigned char { None, Uppercase, Lowercase, Capitalize };
enum class WhiteSpace : unsigned char {
    Collapse, // normal, nowrap
    Preserve, // pre, pre-wrap, break-spaces
    PreserveBreaks, // pre-line: spaces collapse, line ends stay
};

// What the cascade of the page's own rules and style="" gives one element;
// unset where the page says nothing (then the browser's default, or for the
// inherited ones the parent's value, stands).
struct AuthorStyle {
    std::optional<Display> display;
    std::optional<bool> visible; // visibility: visible / hidden or collapse
    std::optional<TextTransform> textTransform;
    std::optional<WhiteSpace> whiteSpace;
};

// Whether a media query list applies to a desktop browser's screen, 1280 by
// 800 CSS pixels (print, speech and unknown features do not).
// Example: "screen and (min-width: 768px)" -> true; "print" -> false; "" -> true.
bool MediaApplies(std::string_view media);

// The page's style sheets and its element tree as far as it has been read,
// so that each element's style is known at its start tag, as a page is read
// in one pass: rules are matched by Qt's CSS engine (QCss) against the open
// elements and their earlier siblings. A style sheet applies from the point
// where it is added on.
class PageStyles {
public:
    // `keepTree`: the page may have style sheets, so the tree is kept for
    // their selectors; without it only style="" attributes count.
    explicit PageStyles(bool keepTree);
    ~PageStyles();
    PageStyles(const PageStyles&) = delete;
    PageStyles& operator=(const PageStyles&) = delete;

    // The text of a style sheet (a <style> element's content): its rules for
    // the media that apply, @media, @supports and @layer blocks read, @import
    // and other at-rules left out; a rule the engine cannot read is dropped
    // alone, as CSS drops it. True when one of its rules may match an
    // element already opened (the page is then to be read again with the
    // sheet known from the start, as a browser applies it to the whole page).
    bool addSheet(std::string_view css);

    // The page is to be read again from its start with every sheet known:
    // the elements read so far are forgotten, the rules kept.
    void restart();

    // An element starts: its place in the tree is kept and its style found.
    AuthorStyle open(std::string_view name, std::span<const Attribute> attributes);
    // The element last opened and not closed ends.
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tamsenor::markup
