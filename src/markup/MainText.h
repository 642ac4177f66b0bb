#pragma once

#include "markup/ReadableText.h"

#include <string>
#include <string_view>

namespace tamsenor::markup {

struct MainTextResult {
    ReadableResult readable; // how the page was read, as for the readable text
    // False when the page has no main text to find (an index, a form, a page
    // of links): the text is then the readable text whole.
    bool found = false;
};

// The main text of an HTML page: its article without navigation, headers,
// footers, sidebars, share and comment widgets, notices and lists of other
// articles. It is a reading of the readable text (RenderReadableText, made
// once): the page's main heading, once, then the article's blocks in order,
// laid out as the readable text lays them out. The article is the part of the
// page the page itself names (itemprop="articleBody", a JSON-LD articleBody,
// one <article>, <main>, role="main") narrowed to where its prose is, the
// prose being blocks of text that is not mostly links; inside it, blocks that
// their tag, role, class or id name as boilerplate, blocks of mostly links and
// what follows its last paragraph are left out. Time linear in the page; memory beyond the readable
// text's about as much again at most (past that, or with no prose found, the
// readable text is given whole). Fails as RenderReadableText does; `out`
// then holds what the readable text had up to there.
// Example: "<nav><a href=/>Home</a></nav><h1>T</h1><p>A long paragraph ...</p>"
//          "<footer>(c) me</footer>" -> "T\n\nA long paragraph ...".
// `sheets` reads the page's linked style sheets, as for RenderReadableText.
MainTextResult RenderMainText(
    std::string_view bytes, std::string& out, text::Hook& hook, const SheetLoader& sheets = {});

} // namespace tamsenor::markup
