#include "Adversarial.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tamsenor::bench {

namespace {

constexpr std::size_t MiB = 1024 * 1024;

// Plain words that hold no marker, to bring each piece to its share of the size.
void Pad(std::string& text, std::size_t upTo)
{
    static const char* const words[] = { "lorem ", "ipsum ", "dolor ", "sit ", "amet ", "tempor ", "magna " };
    std::size_t k = 0;
    while (text.size() < upTo)
        text += words[k++ % 7];
}

// Pieces of `count` distinct blocks, each padded to an equal share of `size`.
template <typename Piece> std::string Distinct(std::size_t count, std::size_t size, Piece piece)
{
    std::string text;
    text.reserve(size + 64);
    for (std::size_t i = 0; i < count; ++i) {
        text += piece(i);
        Pad(text, (i + 1) * size / count);
    }
    return text;
}

std::string OddLessThan(std::size_t size)
{
    static const char* const tokens[] = { "<", ">", "<!", "->", "<<", ">>", "< ", " >", "a<b", "<!-", "-->", "<script",
        "SCRIPT>", "<p>", "<BR>", "x", " ", "&amp;", ",", ";", "@", "://", "\r\n", "\t", "\x7f" };
    constexpr std::size_t tokenCount = sizeof tokens / sizeof tokens[0];
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::string text;
    text.reserve(size + 16);
    while (text.size() < size) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        text += tokens[(state >> 33) % tokenCount];
        if ((state >> 20) % 5 == 0)
            text += std::to_string((state >> 40) % 100000);
    }
    return text;
}

// Numbered blocks, then a long run behind an opening marker, then the same
// blocks again: deleting each block's two copies hands the run on to the next
// block, so a pass that reads the run again per block is quadratic.
std::string Carried(std::size_t size, const std::string& open, const std::string& close)
{
    const std::size_t run = size * 3 / 10;
    std::size_t count = 0;
    std::size_t blockBytes = 0;
    while (run + 2 * blockBytes < size)
        blockBytes += open.size() + 1 + std::to_string(count++).size() + close.size();
    std::string blocks;
    for (std::size_t i = 0; i < count; ++i)
        blocks += open + "a" + std::to_string(i) + close;
    return blocks + open + std::string(run, 'x') + blocks;
}

// A long tag "<a<a...<a <b>", numbered tags that each make one more
// "<a <b>" tag, a long "<a" remnant, then "<b>" groups: each "<b>" is taken
// with the remnant's last "<a" by a short tag while every longer suffix is
// also a suffix of the long tag.
std::string RemnantTaken(std::size_t size)
{
    const std::size_t half = size / 8; // "<a" pairs in the long tag and in the remnant
    std::string text;
    text.reserve(size + 64);
    for (std::size_t i = 0; i < half; ++i)
        text += "<a";
    text += " <b><z>";
    for (std::size_t i = 0; text.size() < size / 2 + 2 * half; ++i) {
        const std::string x = "<x" + std::to_string(i) + ">";
        text += x + "<a" + x + "<b>";
    }
    for (std::size_t i = 0; i < half; ++i)
        text += "<a";
    text += "<z>";
    while (text.size() + 3 <= size)
        text += "<b>";
    return text;
}

std::string Page(std::size_t size)
{
    std::string text = "<html><head><title>A long page</title><style>p { margin: 0 }</style></head><body>\r\n";
    text.reserve(size + 512);
    for (std::size_t i = 0; text.size() < size; ++i) {
        const std::string n = std::to_string(i);
        text += "<h2 id=\"s" + n + "\">Section " + n + "</h2>\r\n<p>Some text about item " + n
            + ", with a <a href=\"http://www.example.org/items/" + n + ".html\">link</a> and an address, user" + n
            + "@mail.example.org; prices&nbsp;from 12&amp;up. See <b>Note:</b> number " + n + " here.</p>\r\n";
        if (i % 10 == 0)
            text += "<table><tr><td>" + n + "</td><td>cell</td></tr></table><!-- row " + n + " -->\r\n";
        if (i % 50 == 0)
            text += "<script type=\"text/javascript\">var item" + n + " = '<b>' + " + n + ";</script>\r\n";
    }
    text += "</body></html>\r\n";
    return text;
}

// `piece` again and again, to `size` bytes.
std::string Repeated(const std::string& piece, std::size_t size)
{
    std::string text;
    while (text.size() + piece.size() <= size)
        text += piece;
    return text;
}

} // namespace

std::vector<std::string> AdversarialNames()
{
    return { "tags", "comments", "scripts", "odd-lt", "carried-lt", "carried-comments", "remnant-taken", "two-lt-tags",
        "repeated-then-two-lt", "random-lt-gt-a", "at-signs", "scheme-marks", "http-schemes", "page-10mb" };
}

std::string MakeAdversarial(const std::string& name, std::size_t size)
{
    // Counts of distinct blocks grow with the size, so that a larger input keeps the density.
    auto sized = [size](std::size_t usual) { return size == 0 ? usual : size; };
    auto count = [size](std::size_t usual) { return size == 0 ? usual : std::max<std::size_t>(1, usual * size / MiB); };
    if (name == "tags")
        return Distinct(count(20000), sized(MiB),
            [](std::size_t i) { return "<span id=\"t" + std::to_string(i) + "\">w</span> "; });
    if (name == "comments")
        return Distinct(
            count(20000), sized(MiB), [](std::size_t i) { return "<!-- note " + std::to_string(i) + " --> "; });
    if (name == "scripts")
        return Distinct(count(10000), sized(MiB), [](std::size_t i) {
            const std::string n = std::to_string(i);
            // A distinct opening tag: a bare "<script>" would end its own block.
            return "<script id=\"s" + n + "\">var v" + n + " = " + n + ";</script> ";
        });
    if (name == "odd-lt")
        return OddLessThan(sized(MiB));
    if (name == "carried-lt")
        return Carried(sized(MiB), "<", ">");
    if (name == "carried-comments")
        return Carried(sized(MiB), "<!", "->");
    if (name == "remnant-taken")
        return RemnantTaken(sized(MiB));
    if (name == "two-lt-tags") {
        std::string text;
        for (std::size_t i = 1; text.size() < sized(16 * MiB); ++i)
            text += "<<" + std::to_string(i) + ">";
        return text;
    }
    if (name == "repeated-then-two-lt") {
        // Short tags that come again and again, then distinct two-'<' tags:
        // a pass that judges the text by its start takes the wrong road.
        std::string text;
        while (text.size() < sized(16 * MiB) / 2)
            text += "<b>x<i>";
        for (std::size_t i = 1; text.size() < sized(16 * MiB); ++i)
            text += "<<" + std::to_string(i) + ">";
        return text;
    }
    if (name == "random-lt-gt-a") {
        std::string text(sized(16 * MiB), 'a');
        std::uint64_t state = 27;
        for (char& c : text) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            c = "<>a"[(state >> 33) % 3];
        }
        return text;
    }
    if (name == "at-signs")
        return Repeated("a@", sized(150000));
    if (name == "scheme-marks")
        return Repeated("://", sized(150000));
    if (name == "http-schemes")
        return Repeated("http://", sized(150000));
    if (name == "page-10mb")
        return Page(sized(10 * MiB));
    return {};
}

std::vector<Input> ReadCorpus(const std::string& directory)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Input> inputs;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        inputs.push_back({ file.string(), std::string(std::istreambuf_iterator<char>(in), {}) });
    }
    return inputs;
}

} // namespace tamsenor::bench
