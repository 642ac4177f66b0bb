// The readable text of arbitrary bytes: valid UTF-8 with LF line ends, never
// more than one blank line in a row where nothing asks for more, and the same
// bytes through a sink as into a string; its main text read from the same
// render, each of whose lines stands in the readable text.
#include "FuzzCheck.h"
#include "markup/MainText.h"
#include "markup/MarkupReader.h"
#include "markup/PageEncoding.h"
#include "markup/ReadableText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace tamsenor::markup;

namespace {

// Keeps every piece, checking that each is whole UTF-8 on its own.
class Collect : public TextSink {
public:
    std::string text;
    bool write(std::string_view utf8) override
    {
        FUZZ_CHECK(!utf8.empty(), "no empty piece");
        FUZZ_CHECK(IsUtf8(utf8), "each piece is UTF-8");
        text += utf8;
        return true;
    }
};

// Whether the page has an element that may add line ends of its own beyond
// the one blank line between blocks: <br>, a table row (an empty one is an
// empty line), preformatted text, or CSS (which can make any of them).
class ExtraLines : public MarkupHandler {
public:
    bool found = false;
    void startElement(std::string_view name, std::span<const Attribute> attributes) override
    {
        for (const char* extra : { "br", "tr", "pre", "listing", "xmp", "plaintext", "style" })
            found = found || name == extra;
        for (const Attribute& a : attributes)
            found = found || a.name == "style";
    }
};

// The events of a page as one string; text in any number of pieces reads the same.
class Events : public MarkupHandler {
public:
    std::string out;
    void startElement(std::string_view name, std::span<const Attribute> attributes) override
    {
        out.append("\x02<").append(name);
        for (const Attribute& a : attributes)
            out.append("\x02 ").append(a.name).append("\x02=").append(a.value);
        open_ = 0;
    }
    void endElement(std::string_view name) override
    {
        out.append("\x02/").append(name);
        open_ = 0;
    }
    void text(std::string_view utf8) override { add('t', utf8); }
    void rawText(std::string_view utf8) override { add('r', utf8); }

private:
    void add(char kind, std::string_view piece)
    {
        if (open_ != kind)
            out.append("\x02").push_back(kind);
        open_ = kind;
        out.append(piece);
    }
    char open_ = 0;
};

// The parser's own reading of every value and text, against the reading
// that sets long ones aside: the same events.
void CheckValuesAside(std::string_view bytes)
{
    tamsenor::text::BasicHook hook;
    ReadOptions options;
    options.encoding = "UTF-8";
    Events parsed, aside;
    options.valuesAside = false;
    const ReadOutcome outcome = ReadMarkup(bytes, parsed, hook, options);
    options.valuesAside = true;
    FUZZ_CHECK(ReadMarkup(bytes, aside, hook, options) == outcome, "the same outcome with values set aside");
    FUZZ_CHECK(aside.out == parsed.out, "the same events with values set aside");
}

bool HasExtraLines(std::string_view bytes)
{
    // Read the page as the renderer does, so that the same elements are seen.
    tamsenor::text::BasicHook hook;
    const PageEncoding encoding = SniffPageEncoding(bytes);
    ParserInput input;
    if (PrepareParserInput(bytes, encoding, input, hook) != DecodeOutcome::Finished)
        return true;
    ExtraLines extra;
    ReadOptions options;
    options.encoding = input.encoding.c_str();
    ReadMarkup(input.bytes, extra, hook, options);
    return extra.found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckValuesAside(input);
    tamsenor::text::BasicHook hook;
    std::string text = "left over";
    const ReadableResult result = RenderReadableText(input, text, hook);
    FUZZ_CHECK(result.outcome != ReadableOutcome::Cancelled, "no cancel without a request");
    FUZZ_CHECK(result.outcome != ReadableOutcome::SinkFailed, "a string takes everything");
    FUZZ_CHECK(result.outcome != ReadableOutcome::Unsupported || text.empty(), "nothing for an unsupported encoding");
    FUZZ_CHECK(IsUtf8(text), "the text is UTF-8");
    FUZZ_CHECK(text.find('\r') == std::string::npos, "line ends are LF");
    FUZZ_CHECK(!text.starts_with('\n') && !text.ends_with('\n') || HasExtraLines(input),
        "no line end at the very start or end");
    FUZZ_CHECK(text.find("\n\n\n") == std::string::npos || HasExtraLines(input), "one blank line at most");

    Collect sink;
    const ReadableResult piecewise = RenderReadableText(input, sink, hook);
    FUZZ_CHECK(piecewise.outcome == result.outcome, "the sink sees the same outcome");
    FUZZ_CHECK(piecewise.encoding.name == result.encoding.name, "the sink sees the same encoding");
    FUZZ_CHECK(sink.text == text, "the same text through a sink");

    std::string main;
    const MainTextResult selected = RenderMainText(input, main, hook);
    FUZZ_CHECK(selected.readable.outcome == result.outcome, "the main text sees the same outcome");
    FUZZ_CHECK(selected.found || main == text, "without an article, the readable text whole");
    FUZZ_CHECK(IsUtf8(main), "the main text is UTF-8");
    for (std::size_t at = 0; at < main.size();) {
        const std::size_t end = std::min(main.find('\n', at), main.size());
        FUZZ_CHECK(text.find(std::string_view(main).substr(at, end - at)) != std::string::npos,
            "each line of the main text is in the readable text");
        at = end + 1;
    }
    return 0;
}
