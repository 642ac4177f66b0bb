// The stripper in both behaviours (strip checked and not) on arbitrary bytes.
#include "FuzzCheck.h"
#include "text/StripTags.h"
#include "text/TagWalk.h"

#ifdef TAMSENOR_FUZZ_REFERENCE
#include "reference/ReferenceStripTags.h"
#endif

#include <cstddef>
#include <cstdint>
#include <string>

using namespace tamsenor::text;

namespace {

void checkStripped(const std::string& input, bool strip)
{
    BasicHook hook;
    hook.strip = strip;
    std::string text = input;
    const StripResult result = StripTags(text, hook);
    FUZZ_CHECK(result.outcome == Outcome::Finished, "finished without a cancel");
    FUZZ_CHECK(text.find_first_of("&,;") == std::string::npos, "no '&', ',' or ';' is left");
    const std::size_t lastOpen = text.rfind('<');
    FUZZ_CHECK(
        lastOpen == std::string::npos || text.find('>', lastOpen) == std::string::npos, "no '<' is followed by a '>'");
    if (strip)
        FUZZ_CHECK(text.find('\x7f') == std::string::npos, "no DEL when strip is checked");
    FUZZ_CHECK(hook.progress == (strip ? 100.0f : 50.0f), "progress ends at its target");

#ifdef TAMSENOR_FUZZ_REFERENCE
    BasicHook referenceHook;
    referenceHook.strip = strip;
    std::string expected = input;
    const auto referenceResult = tamsenor::reference::StripTags(expected, referenceHook);
    FUZZ_CHECK(expected == text, "production and reference strip alike");
    FUZZ_CHECK(referenceResult.tagIterations == result.tagIterations, "same tag iterations as the reference");
    FUZZ_CHECK(referenceHook.progress == hook.progress, "same progress as the reference");
#endif
}

#ifdef TAMSENOR_FUZZ_REFERENCE
// The tag pass alone under a hash that makes every anagram collide, so that
// the walk's confirmation of each suggested match is exercised too.
void checkTagWalkUnderWeakHash(const std::string& input)
{
    BasicHook hook;
    std::string text = input;
    long iterations = 0;
    WalkTagPass(text, hook, iterations, 1);
    BasicHook referenceHook;
    std::string expected = input;
    long referenceIterations = 0;
    tamsenor::reference::TagPass(expected, referenceHook, referenceIterations);
    FUZZ_CHECK(expected == text, "walk with a weak hash and literal tag pass alike");
    FUZZ_CHECK(referenceIterations == iterations, "same iterations with a weak hash");
    FUZZ_CHECK(referenceHook.progress == hook.progress, "same progress with a weak hash");
}
#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    checkStripped(input, false);
    checkStripped(input, true);
#ifdef TAMSENOR_FUZZ_REFERENCE
    checkTagWalkUnderWeakHash(input);
#endif
    return 0;
}
