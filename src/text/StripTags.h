#pragma once

// The text layer (src/text): the tag stripper and the extraction pass, plain C++ over byte buffers.

#include "text/Hook.h"

#include <string>

namespace tamsenor::text {

struct StripResult {
    Outcome outcome = Outcome::Finished;
    // Iterations of the tag pass that removed a tag text (each one moved the progress value).
    long tagIterations = 0;
    // An internal failure (out of memory) emptied the text: it was not stripped.
    bool failed = false;
};

// Turns HTML into plain text, in place, by marker searches and global
// replacements (no parsing): a leading space, line-break tags to CR LF and DEL
// removed when hook.stripChecked(), script blocks, comment blocks, every
// distinct tag text to one space, then "&", ",", ";" to spaces and the entity
// names "amp"/"nbsp" that directly followed an "&" deleted.
// Progress moves V <- V + (T - V) / 10 per tag iteration (T = 100 when strip
// is checked, else 50) and ends at T.
// On cancel (seen at the start of a pass iteration) the text keeps what was
// stripped so far and the final clean-up does not run. On an internal failure
// (out of memory) the text is emptied and the call returns Finished with
// `failed` set, so that the caller can say the file was not converted.
// Example: "<b>one</b> &amp; two" -> "  one     two" (not strip-checked).
StripResult StripTags(std::string& text, Hook& hook);

} // namespace tamsenor::text
