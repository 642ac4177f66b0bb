// Readable text of every page of a folder: writes OUT_DIR/<file name>.txt for
// scoring against the browser, and times the rendering in memory on one core
// next to the parser alone, with the time split between decoding and the rest.
// With --big MB it also renders one page of that size made of the corpus's
// pages and reports the peak memory against the page's size.
// Usage: tamsenor-readable-bench [--out DIR] [--budget SECONDS] [--big MB] [--only-readable] CORPUS_DIR
#include "markup/MarkupReader.h"
#include "markup/ReadableText.h"

#include <sys/resource.h>
#include <time.h>

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

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

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

} // namespace

int main(int argc, char* argv[])
{
    std::string out;
    double budget = 10;
    long bigMb = 0;
    bool onlyReadable = false; // for profiling the readable text alone
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
        else
            corpus = arg;
    }
    if (corpus.empty()) {
        std::fprintf(
            stderr, "usage: %s [--out DIR] [--budget SECONDS] [--big MB] [--only-readable] CORPUS_DIR\n", argv[0]);
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
    if (onlyReadable)
        return 0;
    const double decode = Throughput(pages, total, budget / 4, [&](const std::string& bytes) {
        bool alreadyUtf8 = false;
        markup::DecodeToUtf8(bytes, markup::SniffPageEncoding(bytes), text, &alreadyUtf8, hook);
    });
    std::printf("  of which deciding the encoding and checking/decoding: %.1f MB/s alone\n", decode);
    Nothing nothing;
    markup::ReadOptions utf8;
    utf8.encoding = "UTF-8";
    const double parseUtf8 = Throughput(
        pages, total, budget / 2, [&](const std::string& bytes) { markup::ReadMarkup(bytes, nothing, hook, utf8); });
    std::printf("parser alone, input given as UTF-8: %.1f MB/s\n", parseUtf8);
    const double parseOwn = Throughput(
        pages, total, budget / 2, [&](const std::string& bytes) { markup::ReadMarkup(bytes, nothing, hook); });
    std::printf("parser alone, its own decoding: %.1f MB/s\n", parseOwn);

    if (bigMb > 0) {
        std::string big;
        big.reserve(static_cast<std::size_t>(bigMb) << 20);
        // One page: the bodies of the corpus pages one after another.
        big = "<!DOCTYPE html><html><head><meta charset=utf-8></head><body>";
        while (big.size() < (static_cast<std::size_t>(bigMb) << 20))
            for (const Page& page : pages) {
                const std::size_t body = page.bytes.find("<body");
                if (body != std::string::npos)
                    big.append(page.bytes, body + 5, std::string::npos);
                if (big.size() >= (static_cast<std::size_t>(bigMb) << 20))
                    break;
            }
        std::vector<Page>().swap(pages);
        std::string().swap(text);
        const long before = PeakKiB();
        const auto start = std::chrono::steady_clock::now();
        const markup::ReadableResult result = markup::RenderReadableText(big, text, hook);
        const double seconds = Seconds(start);
        std::printf("one page of %zu MB: outcome %d, %.1f s, %.1f MB/s, text %zu MB, peak RSS %ld MB (%.2f x the "
                    "page; %ld MB before rendering)\n",
            big.size() >> 20, static_cast<int>(result.outcome), seconds, big.size() / 1e6 / seconds, text.size() >> 20,
            PeakKiB() >> 10, (PeakKiB() * 1024.0) / big.size(), before >> 10);
    }
    return 0;
}
