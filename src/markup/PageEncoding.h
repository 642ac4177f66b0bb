#pragma once

#include "text/Hook.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tamsenor::markup {

// Where a page's encoding was learnt, in the order a browser asks.
enum class EncodingSource {
    ByteOrderMark, // UTF-8, UTF-16LE or UTF-16BE mark at the start
    Declaration, // <meta charset> or <meta http-equiv content="...charset=..."> in the first 1024 bytes
    Detected, // the page says nothing; a charset detector guessed from the bytes
    Default, // the detector had no answer: windows-1252
};

struct PageEncoding {
    std::string name; // the browser's name for it: "UTF-8", "windows-1252", "Shift_JIS", ...
    EncodingSource source = EncodingSource::Default;
    std::size_t skip = 0; // bytes of a byte-order mark before the text
};

// The browser's name for an encoding label, matched without regard to case or
// surrounding white space, or nothing for a label browsers do not know.
// Browsers read the Latin-1 and ASCII labels as windows-1252.
// Example: " Latin1 " -> "windows-1252"; "sjis" -> "Shift_JIS"; "klingon" -> nothing.
std::optional<std::string> EncodingForLabel(std::string_view label);

// The label that the first 1024 bytes declare through <meta>, found the way a
// browser prescans a page before parsing it (comments and other tags skipped,
// attribute values quoted or not), already mapped by EncodingForLabel; a
// declared UTF-16 reads as UTF-8 as in browsers. Nothing when no known label is declared.
// Example: "<meta http-equiv=Content-Type content='text/html; charset=koi8-r'>" -> "KOI8-R".
std::optional<std::string> PrescanDeclaredEncoding(std::string_view bytes);

// Decides the encoding of a page: a byte-order mark, else the declaration,
// else the detector's guess, else windows-1252. Never fails.
// Example: "\xEF\xBB\xBF<p>x" -> {"UTF-8", ByteOrderMark, 3}.
PageEncoding SniffPageEncoding(std::string_view bytes);

enum class DecodeOutcome {
    Finished,
    Cancelled, // the hook asked to stop; `out` holds a prefix
    Unsupported, // the system cannot convert from this encoding; `out` is empty
};

// Converts `bytes` (after encoding.skip) from `encoding` to UTF-8 into `out`,
// each byte sequence that is not valid in the encoding becoming U+FFFD.
// When the bytes are already valid UTF-8 in a UTF-8 page, `out` is left
// empty and `*alreadyUtf8` set, so that the caller reads the input itself
// without a copy. Yields to the hook every few MiB.
// Example: "caf\xE9" as windows-1252 -> "café"; "caf\xE9" as UTF-8 -> "caf\uFFFD".
DecodeOutcome DecodeToUtf8(
    std::string_view bytes, const PageEncoding& encoding, std::string& out, bool* alreadyUtf8, text::Hook& hook);

// What the markup parser is to read for a page.
struct ParserInput {
    std::string_view bytes; // the page after its byte-order mark, or `decoded`
    std::string encoding; // the parser's name for the encoding of `bytes`
    std::string decoded; // the page in UTF-8, when it had to be decoded first
    ParserInput() = default;
    ParserInput(const ParserInput&) = delete; // `bytes` may point into `decoded`
    ParserInput& operator=(const ParserInput&) = delete;
};

// Prepares a page for the parser without a copy where possible: valid UTF-8,
// or bytes all valid in another encoding (the parser then converts them as it
// reads), are given as they are; otherwise the page is decoded as
// DecodeToUtf8 does into `input.decoded`. Outcomes as for DecodeToUtf8.
// Example: "caf\xE9" as windows-1252 -> bytes "caf\xE9", encoding "WINDOWS-1252".
DecodeOutcome PrepareParserInput(
    std::string_view page, const PageEncoding& encoding, ParserInput& input, text::Hook& hook);

} // namespace tamsenor::markup
