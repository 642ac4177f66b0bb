#pragma once

#include <random>
#include <string>
#include <vector>

namespace tamsenor::text::testing {

// Random text over pieces that make the markers of the stripper and of the
// extractors meet, overlap and form anew when something between them goes.
inline std::string RandomMarkup(std::mt19937& random, std::size_t maxPieces)
{
    static const std::vector<std::string> pieces
        = { "<", ">", "<!", "->", "-", "!", "<script", "SCRIPT>", "<Script ", "</script>", "scr", "IPT", "&amp;",
              "&nbsp;", "&", "amp", "nbsp", ",", ";", "@", "://", ":", "/", "Author:", "K:", " ", "  ", "\r", "\n",
              "\t", "\x7f", "\x08", "a", "b", "x", "<p>", "<P>", "</p>", "<br>", "<BR>", "<tr>", "</TR>", "<b>", "</b>",
              "<a ", "<!--", "-->", "1", "2", "http", "<a<b>", "ab", "aab", "b a", "::", "a:", "\xc3\xa9" };
    std::uniform_int_distribution<std::size_t> count(0, maxPieces);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string text;
    for (std::size_t n = count(random); n > 0; --n)
        text += pieces[pick(random)];
    return text;
}

} // namespace tamsenor::text::testing
