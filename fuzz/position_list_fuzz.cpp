// The position-list checks of the keyword entry dialogs against the keyword
// extractor: a list the dialogs accept converts element by element, and a
// number they refuse for its range does not convert.
#include "FuzzCheck.h"
#include "ui/keywords/PositionSyntax.h"
#include "text/Extract.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace tamsenor;

namespace {

bool converts(const std::string& element)
{
    return text::ParsePositionNumber(element).has_value();
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string position(reinterpret_cast<const char*>(data), size);

    // Each element alone: the number check and the extractor agree.
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = position.find(',', start);
        const std::string element
            = trimmed(position.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (IsPositionNumber(element))
            FUZZ_CHECK(converts(element), "an accepted number converts: '" + element + "'");
        else if (IsNumericText(element))
            FUZZ_CHECK(!converts(element), "a number refused for its range does not convert: '" + element + "'");
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }

    const auto problem = CheckKeywordEntry("k", position);
    if (!problem) {
        FUZZ_CHECK(IsPositionList(position), "an accepted entry holds a position list");
        std::size_t from = 0;
        while (true) {
            const std::size_t comma = position.find(',', from);
            const std::string element
                = position.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
            FUZZ_CHECK(converts(element), "every element of an accepted list converts: '" + element + "'");
            if (comma == std::string::npos)
                break;
            from = comma + 1;
        }
    } else if (*problem == EntryProblem::PositionFormat) {
        FUZZ_CHECK(!IsPositionList(position), "a refused list is not a position list");
    }
    return 0;
}
