#pragma once

#include "text/StripTags.h"

#include <string>

// The literal tag stripper: every pass searches the whole text again and
// replaces over the whole text, exactly as the algorithm reads. Slow on purpose;
// the production stripper is checked against it byte for byte.
namespace tamsenor::reference {

text::StripResult StripTags(std::string& text, text::Hook& hook);

// The tag pass alone: while a "<" has a ">" after it, the text from the first
// "<" through that ">" and every copy of it become one space each.
text::Outcome TagPass(std::string& text, text::Hook& hook, long& iterations);

} // namespace tamsenor::reference
