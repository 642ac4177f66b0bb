// Readable text of every page of a folder: writes OUT_DIR/<file name>.txt for
// scoring against the browser, and times the rendering in memory on one core
// next to the parser alone, with the time split between decoding and the rest.
// With --big MB it also renders one page of that size made of the corpus's
// pages and reports the peak memory against the page's size; --bad-byte puts
// one byte in it that is not UTF-8.
// Usage: tamsenor-readable-bench [--out DIR] [--budget SECONDS] [--big MB [--bad-byte]] [--only-readable] CORPUS_DIR
#include "markup/MarkupReader.h"
#include "markup/ReadableText.h"

#include <libxml/HTMLparser.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tamsenor;

namespace {

struct Page {
    std::string name;
    std::string bytes;
};

// This thread's processor time: other work on a shared machine does not count.
double CpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

long PeakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Repeats `pass` over all pages until `budget` seconds of processor time are
// spent; MB per second of processor time.
template <typename Pass> double Throughput(const std::vector<Page>& pages, std::size_t total, double budget, Pass pass)
{
    const double start = CpuSeconds();
    std::size_t done = 0;
    do {
        for (const Page& page : pages)
            pass(page.bytes);
        done += total;
    } while (CpuSeconds() - start < budget);
    return done / 1e6 / (CpuSeconds() - start);
}

class Nothing : public markup::MarkupHandler { };

void Silent(void*, const char*, ...)
{
}
void Count(void* count, const xmlChar*, int length)
{
    *static_cast<long*>(count) += length;
}

// libxml2's HTML push parser with callbacks that do nothing, the whole page
// in one chunk: what the parser costs before any wrapper or renderer.
void ParseBare(const std::string& bytes)
{
    htmlSAXHandler sax {};
    sax.characters = Count;
    sax.ignorableWhitespace = Count;
    sax.error = Silent;
    sax.warning = Silent;
    sax.fatalError = Silent;
    sax.initialized = XML_SAX2_MAGIC;
    long count = 0;
    htmlParserCtxtPtr context = htmlCreatePushParserCtxt(&sax, &count, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
    htmlCtxtUseOptions(context,
        HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NODEFDTD
            | XML_PARSE_HUGE | HTML_PARSE_IGNORE_ENC);
    htmlParseChunk(context, bytes.data(), static_cast<int>(bytes.size()), 1);
    htmlFreeParserCtxt(context);
}

} // namespace

int main(int argc, char* argv[])
{
    std::string out;
    double budget = 10;
    long bigMb = 0;
    bool badByte = false;
    bool onlyReadable = false; // for profiling the readable text alone, or for the large page
    std::string corpus;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc)
            out = argv[++i];
        else if (arg == "--budget" && i + 1 < argc)
            budget = std::stod(argv[++i]);
        else if (arg == "--only-readable")
            onlyReadable = true;
        else if (arg == "--big" && i + 1 < argc)
            bigMb = std::stol(argv[++i]);
        else if (arg == "--bad-byte")
            badByte = true;
        else
            corpus = arg;
    }
    if (corpus.empty()) {
        std::fprintf(stderr,
            "usage: %s [--out DIR] [--budget SECONDS] [--big MB [--bad-byte]] [--only-readable] CORPUS_DIR\n", argv[0]);
        return 2;
    }

    std::vector<Page> pages;
    std::size_t total = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        pages.push_back({ entry.path().filename().string(), bytes.str() });
        total += pages.back().bytes.size();
    }
    std::printf("corpus: %zu pages, %zu bytes\n", pages.size(), total);

    text::BasicHook hook;
    std::string text;
    if (!out.empty()) {
        fs::create_directories(out);
        int notFinished = 0;
        for (const Page& page : pages) {
            const markup::ReadableResult result = markup::RenderReadableText(page.bytes, text, hook);
            if (result.outcome != markup::ReadableOutcome::Finished) {
                ++notFinished;
                std::fprintf(stderr, "%s: outcome %d\n", page.name.c_str(), static_cast<int>(result.outcome));
            }
            std::ofstream file(fs::path(out) / (page.name + ".txt"), std::ios::binary);
            file << text;
            if (!file.flush()) {
                std::fprintf(stderr, "%s: cannot write\n", page.name.c_str());
                return 1;
            }
        }
        std::printf("texts written to %s (%d pages not finished)\n", out.c_str(), notFinished);
    }

    const double readable = Throughput(
        pages, total, budget, [&](const std::string& bytes) { markup::RenderReadableText(bytes, text, hook); });
    std::printf("readable text, in memory, one core: %.1f MB/s (of processor time)\n", readable);
    if (!onlyReadable) {
        const double decode = Throughput(pages, total, budget / 4, [&](const std::string& bytes) {
            bool alreadyUtf8 = false;
            markup::DecodeToUtf8(bytes, markup::SniffPageEncoding(bytes), text, &alreadyUtf8, hook);
        });
        std::printf("  of which deciding the encoding and checking/decoding: %.1f MB/s alone\n", decode);
        Nothing nothing;
        markup::ReadOptions utf8;
        utf8.encoding = "UTF-8";
        const double parseUtf8 = Throughput(pages, total, budget / 2,
            [&](const std::string& bytes) { markup::ReadMarkup(bytes, nothing, hook, utf8); });
        std::printf("markup reader, handler doing nothing, input given as UTF-8: %.1f MB/s\n", parseUtf8);
        const double parseOwn = Throughput(
            pages, total, budget / 2, [&](const std::string& bytes) { markup::ReadMarkup(bytes, nothing, hook); });
        std::printf("markup reader, handler doing nothing, its own decoding: %.1f MB/s\n", parseOwn);
        const double bare = Throughput(pages, total, budget / 2, ParseBare);
        std::printf("libxml2 alone, callbacks doing nothing: %.1f MB/s\n", bare);
    }

    if (bigMb > 0) {
        // One page: the bodies of the corpus pages one after another (text
        // after a page's </html> would be out of the document).
        const std::size_t target = static_cast<std::size_t>(bigMb) << 20;
        std::size_t largest = 0;
        for (const Page& page : pages)
            largest = std::max(largest, page.bytes.size());
        std::string big;
        big.reserve(target + largest + 100);
        big = "<!DOCTYPE html><html><head><meta charset=utf-8></head><body>";
        while (big.size() < target)
            for (const Page& page : pages) {
                const std::size_t body = page.bytes.find("<body");
                const std::size_t open = page.bytes.find('>', body);
                const std::size_t close = page.bytes.rfind("</body>");
                if (body == std::string::npos || open == std::string::npos || close == std::string::npos
                    || close < open)
                    continue;
                big.append(page.bytes, open + 1, close - open - 1);
                if (big.size() >= target)
                    break;
            }
        // One byte that is not UTF-8 makes the page go through a decoded copy.
        if (badByte)
            big += "\xFF";
        big += "</body></html>";
        std::vector<Page>().swap(pages);
        std::string().swap(text);
        std::printf("one page of %zu MB, peak RSS %ld MB before rendering\n", big.size() >> 20, PeakKiB() >> 10);
        // Through a sink first (as a writer to a file would), then into one
        // string, as the peak only grows.
        struct Counter : markup::TextSink {
            std::size_t bytes = 0;
            bool write(std::string_view utf8) override
            {
                bytes += utf8.size();
                return true;
            }
        } counter;
        double cpu = CpuSeconds();
        markup::ReadableResult result = markup::RenderReadableText(big, counter, hook);
        cpu = CpuSeconds() - cpu;
        std::printf("  through a sink: outcome %d, %.1f MB/s (of processor time), text %zu MB, peak RSS %ld MB (%.2f "
                    "x the page)\n",
            static_cast<int>(result.outcome), big.size() / 1e6 / cpu, counter.bytes >> 20, PeakKiB() >> 10,
            (PeakKiB() * 1024.0) / big.size());
        cpu = CpuSeconds();
        result = markup::RenderReadableText(big, text, hook);
        cpu = CpuSeconds() - cpu;
        std::printf("  into a string: outcome %d, %.1f MB/s (of processor time), text %zu MB, peak RSS %ld MB (%.2f "
                    "x the page)\n",
            static_cast<int>(result.outcome), big.size() / 1e6 / cpu, text.size() >> 20, PeakKiB() >> 10,
            (PeakKiB() * 1024.0) / big.size());
    }
    return 0;
}
