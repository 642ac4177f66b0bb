#pragma once

#include "markup/MarkupReader.h"
#include "text/Hook.h"

#include <string>
#include <string_view>
#include <vector>

namespace tamsenor::markup {

struct MarkupLinks {
    // Distinct absolute http, https, ftp and ftps URLs, fully percent-encoded
    // (one line each, no white space), in document order.
    std::vector<std::string> links;
    // Distinct valid e-mail addresses of mailto: links, domain in lower case,
    // in document order.
    std::vector<std::string> mailTos;
    // Finished; Cancelled (both lists empty); Stopped (the lists hold what
    // the part before the parser gave up held).
    ReadOutcome outcome = ReadOutcome::Finished;
};

// The links a browser would follow from the page's markup:
// a/area/link href, img/script/iframe/source/embed/audio/video src,
// img/source srcset, form action and blockquote/q cite. A relative URL is
// resolved against the first <base href> when that is absolute and is left
// out otherwise; other schemes (javascript:, data:, mailto:, ...), URLs
// without a host and values over 2 MiB are left out. The host is
// lower-cased, a default port (80, 443, 21, 990) dropped, "." and ".."
// path segments resolved, the fragment kept. Unless `options` name an
// encoding, the page is decoded as its readable text is (SniffPageEncoding,
// bytes that do not fit read as U+FFFD).
// The addresses of a/area mailto: links go to `mailTos`: percent-decoded,
// split at commas, the query left out, kept when valid (IsValidEmailAddress).
// Calls hook.yield() and checks for cancel every 64 KiB of markup and every
// few thousand URLs.
// Example: <base href="http://Ex.com:80/d/"><a href="p?q#f"> <a href="mailto:A@B.COM?subject=x">
// -> links {"http://ex.com/d/p?q#f"}, mailTos {"A@b.com"}.
MarkupLinks ReadMarkupLinks(std::string_view bytes, text::Hook& hook, const ReadOptions& options = {});

// The URLs of the image candidates of a srcset value as HTML parses it:
// commas separate candidates, except at the end of a URL or inside
// parentheses in descriptors; a candidate with invalid descriptors ("2q",
// "1x 2x", "0w") is left out.
// Example: "a.png 1x, b,c.png 2x" -> {"a.png", "b,c.png"}.
std::vector<std::string_view> SrcsetUrls(std::string_view srcset);

// Whether `address` is a valid e-mail address by HTML's rule for
// <input type=email>: local part of letters, digits and .!#$%&'*+/=?^_`{|}~-,
// an "@", then dot-separated labels of 1 to 63 letters, digits and hyphens
// that neither begin nor end with a hyphen.
// Example: "a.b+c@ex-1.org" -> true; "a@-x.org" -> false.
bool IsValidEmailAddress(std::string_view address);

} // namespace tamsenor::markup
