#include "reference/ReferenceStripTags.h"

#include "text/TextOps.h"

#include <exception>

namespace tamsenor::reference {

using text::Hook;
using text::Outcome;
using text::StripResult;

using namespace text::ops; // the plain string operations the literal engines are written in

namespace {

// One marker pass over the text: while a start marker and an end marker are
// found (both from the beginning of the text), the block from the start marker
// through the end of the end marker goes, every exact copy of it.
// The end marker is not searched from the start marker; a block that would end
// more than its own marker length before the start does not count and ends the
// pass, and so does an empty block (end marker directly before the start marker),
// which would delete nothing and never end.
Outcome blockPass(std::string& text, std::string_view startMarker, std::string_view endMarker, Hook& hook)
{
    const long endLength = static_cast<long>(endMarker.size());
    for (;;) {
        hook.yield();
        if (hook.cancelRequested())
            return Outcome::Cancelled;

        long s = static_cast<long>(FindNoCase(text, startMarker));
        long e = static_cast<long>(FindNoCase(text, endMarker));
        if (s == 0 || e == 0 || e - s < -endLength)
            return Outcome::Finished;

        long blockLength = e - s + endLength;
        if (blockLength == 0)
            return Outcome::Finished;

        std::string block = text.substr(s - 1, blockLength);
        text = ReplaceAll(text, block, "");
    }
}

// "amp" and "nbsp" go only where they directly follow an "&", so that
// entities vanish while words such as 'example' or 'camp' stay whole.
std::string deleteEntityNames(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        result += text[i];
        if (text[i] == '&') {
            std::string_view after = std::string_view(text).substr(i + 1);
            if (after.starts_with("amp"))
                i += 3;
            else if (after.starts_with("nbsp"))
                i += 4;
        }
        ++i;
    }
    return result;
}

StripResult stripTags(std::string& text, Hook& hook)
{
    StripResult result;

    text = " " + text;

    if (hook.stripChecked()) {
        text = ReplaceAllNoCase(text, "<P>", "\r\n");
        text = ReplaceAllNoCase(text, "</P>", "\r\n");
        text = ReplaceAllNoCase(text, "<BR>", "\r\n");
        text = ReplaceAllNoCase(text, "<TR>", "\r\n");
        text = ReplaceAllNoCase(text, "</TR>", "\r\n");
        text = ReplaceAll(text, "\x7f", "");
    }

    if (blockPass(text, "<SCRIPT", "SCRIPT>", hook) == Outcome::Cancelled
        || blockPass(text, "<!", "->", hook) == Outcome::Cancelled
        || TagPass(text, hook, result.tagIterations) == Outcome::Cancelled) {
        result.outcome = Outcome::Cancelled;
        return result;
    }

    // The entity names are judged against the text before "&" becomes a space;
    // deleting letters first gives the same text as deleting them afterwards.
    text = deleteEntityNames(text);
    text = ReplaceAll(text, "&", " ");
    text = ReplaceAll(text, ",", " ");
    text = ReplaceAll(text, ";", " ");

    hook.setFileProgress(hook.stripChecked() ? 100.0f : 50.0f);
    return result;
}

} // namespace

// Every distinct tag text, from "<" through the next ">", becomes one space.
// Each removal moves the progress value a tenth of the way to its target.
Outcome TagPass(std::string& text, Hook& hook, long& iterations)
{
    for (;;) {
        hook.yield();
        if (hook.cancelRequested())
            return Outcome::Cancelled;

        std::size_t l = Find(text, "<");
        std::size_t g = Find(text, ">");
        if (l == 0 || g == 0)
            return Outcome::Finished;
        if (g < l) {
            g = Find(text, ">", l);
            if (g == 0)
                return Outcome::Finished;
        }

        std::string tag = text.substr(l - 1, g - l + 1);
        text = ReplaceAll(text, tag, " ");
        ++iterations;

        float v = hook.fileProgress();
        float target = hook.stripChecked() ? 100.0f : 50.0f;
        v = v + (target - v) / 10.0f;
        hook.setFileProgress(v);
    }
}

StripResult StripTags(std::string& text, Hook& hook)
{
    try {
        return stripTags(text, hook);
    } catch (const std::exception&) {
        // Out of memory and the like: the caller goes on with an empty text.
        text.clear();
        return StripResult {};
    }
}

} // namespace tamsenor::reference
