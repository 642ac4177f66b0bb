// The extraction pass with e-mail, web-site and keyword columns, as a run
// calls it: the page stripped first, then the row loop. The keywords come
// from the input too.
#include "FuzzCheck.h"
#include "ui/keywords/PositionSyntax.h"
#include "text/Extract.h"
#include "text/StripTags.h"
#include "text/VectorRowSink.h"

#ifdef TAMSENOR_FUZZ_REFERENCE
#include "reference/ReferenceExtract.h"
#endif

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace tamsenor::text;
using tamsenor::text::testing::VectorRowSink;

namespace {

struct Pass {
    bool threw = false;
    Outcome outcome = Outcome::Finished;
    VectorRowSink rows;
    std::string text;
};

template <typename Extractor>
Pass runPass(Extractor extract, const std::string& stripped, const ExtractSetup& setup)
{
    Pass pass { false, Outcome::Finished, VectorRowSink(setup.columns.size()), stripped };
    BasicHook hook;
    try {
        pass.outcome = extract(pass.text, setup, pass.rows, hook);
    } catch (const PositionError&) {
        pass.threw = true;
    }
    if (!pass.threw)
        FUZZ_CHECK(hook.progress == 100.0f, "progress ends at 100");
    return pass;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool strip = input.ConsumeBool();
    const bool email = input.ConsumeBool();
    const bool website = input.ConsumeBool();

    ExtractSetup setup;
    if (email)
        setup.columns.push_back("Email");
    if (website)
        setup.columns.push_back("WebSite");
    const int keywordCount = input.ConsumeIntegralInRange(0, 3);
    bool positionsAccepted = true;
    for (int k = 0; k < keywordCount; ++k) {
        Keyword keyword;
        keyword.name = input.ConsumeRandomLengthString(12);
        keyword.position = input.ConsumeRandomLengthString(12);
        // The run refuses keywords without a name and names that repeat a column.
        if (keyword.name.empty()
            || std::find(setup.columns.begin(), setup.columns.end(), keyword.name) != setup.columns.end()
            || keyword.name == "FileName" || keyword.name == "ProcessTime")
            continue;
        if (tamsenor::CheckKeywordEntry(keyword.name, keyword.position))
            positionsAccepted = false;
        setup.columns.push_back(keyword.name);
        setup.keywords.push_back(keyword);
    }
    setup.keywordOn = !setup.keywords.empty();
    const bool keywordHoldsSpace = std::any_of(setup.keywords.begin(), setup.keywords.end(),
        [](const Keyword& k) { return k.name.find(' ') != std::string::npos; });
    setup.columns.push_back("FileName");
    setup.columns.push_back("ProcessTime");
    setup.filePath = "/in/page.htm";
    setup.processTime = [] { return std::string("Mar-9-07 14:05"); };
    const std::size_t width = setup.columns.size();
    const std::size_t extractors = width - 2;

    std::string page = input.ConsumeRemainingBytesAsString();
    BasicHook stripHook;
    stripHook.strip = strip;
    StripTags(page, stripHook);

    Pass pass = runPass(
        [](std::string& t, const ExtractSetup& s, VectorRowSink& r, BasicHook& h) {
            const tamsenor::text::FindingsResult result = ExtractFindings(t, s, r, h);
            if (!result.positionProblem.empty())
                throw PositionError(result.positionProblem); // as the literal pass reports it
            return result.outcome;
        },
        page, setup);
    if (positionsAccepted)
        FUZZ_CHECK(!pass.threw, "accepted position lists never throw");
    if (!pass.threw) {
        FUZZ_CHECK(pass.outcome == Outcome::Finished, "finished without a cancel");
        FUZZ_CHECK(pass.rows.misuses == 0, "the pass keeps to its rows");
        // Every row consumes a marker or an occurrence, so rows stay below the text length.
        FUZZ_CHECK(pass.rows.rows.size() <= page.size() + 1, "rows are bounded by the text");
        for (const auto& row : pass.rows.rows) {
            FUZZ_CHECK(row.size() == width, "every row has the column count");
            FUZZ_CHECK(std::any_of(row.begin(), row.begin() + static_cast<long>(extractors),
                           [](const std::string& v) { return !v.empty(); }),
                "no row without a finding is kept");
            FUZZ_CHECK(row[width - 2] == setup.filePath, "FileName is the file");
            FUZZ_CHECK(row[width - 1] == "Mar-9-07 14:05", "ProcessTime is the clock's");
            if (email && !row[0].empty()) {
                // The cut can drop the "@" itself when more than 198 characters precede it. A keyword
                // holding a space can also consume every space before an "@" (all its occurrences go
                // when its list is 0), and a head without a space gives an empty left part.
                FUZZ_CHECK(row[0].find('@') != std::string::npos || row[0].size() == 199 || keywordHoldsSpace,
                    "an e-mail holds its '@' unless it was cut");
                FUZZ_CHECK(row[0].size() <= 199, "an e-mail is cut to 199 characters");
            }
            if (website && !row[email ? 1 : 0].empty())
                FUZZ_CHECK(row[email ? 1 : 0].find("://") != std::string::npos, "a web site holds its '://'");
        }
        // An "@" with no space anywhere before it (possible only once a keyword holding a space has
        // consumed them) gives an empty finding while "@"s remain, and that empty row ends the pass.
        if (email && !keywordHoldsSpace)
            FUZZ_CHECK(pass.text.find('@') == std::string::npos, "every '@' was consumed");
    }

#ifdef TAMSENOR_FUZZ_REFERENCE
    Pass reference = runPass(tamsenor::reference::ExtractFindings, page, setup);
    FUZZ_CHECK(reference.threw == pass.threw, "production and reference throw alike");
    if (!pass.threw) {
        FUZZ_CHECK(reference.rows.rows == pass.rows.rows, "production and reference rows agree");
        FUZZ_CHECK(reference.text == pass.text, "production and reference leave the same text");
    }
#endif
    return 0;
}
