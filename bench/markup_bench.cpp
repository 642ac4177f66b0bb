// tamsenor-markup-bench: throughput and peak memory of the markup reader and
// of the link rules. Not a test: it asserts nothing and ctest never runs it.
//
//   tamsenor-markup-bench [--budget SECONDS] [CORPUS_DIR]
//   tamsenor-markup-bench --print-links CORPUS_DIR
//
// Reports MB/s (1 MB = 10^6 bytes) per second of CPU time on one core, inputs
// in memory, of
//   parse          ReadMarkup with a handler that does nothing
//   links          ReadMarkupLinks
//   strip+extract  StripTags + ExtractFindings with e-mails and web sites
//   ...+links      the same plus ReadMarkupLinks, as an extraction run with
//                  links in markup does
// then the same for pages of 100,000 to 400,000 links (the cost per link must
// not grow) and the peak memory of a fresh process per large input.
// --print-links writes "FILE<TAB>link|mailto<TAB>VALUE" lines for the recall
// check (links_recall.py).
#include "Adversarial.h"

#include "markup/MarkupLinks.h"
#include "markup/MarkupReader.h"
#include "text/Extract.h"
#include "text/StripTags.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace tamsenor;
using bench::Input;
using bench::ReadCorpus;

namespace {

class QuietHook : public text::Hook {
public:
    float progress = 0.0f;
    void yield() override { }
    bool cancelRequested() const override { return false; }
    float fileProgress() const override { return progress; }
    void setFileProgress(float value) override { progress = value; }
    bool stripChecked() const override { return false; }
};

class CountingSink : public text::RowSink {
public:
    long rows = 0;
    void addRow() override
    {
        ++rows;
        row_.assign(4, std::string());
    }
    void setValue(std::size_t column, const std::string& value) override
    {
        if (column < row_.size())
            row_[column] = value;
    }
    std::string value(std::size_t column) const override { return column < row_.size() ? row_[column] : std::string(); }
    void deleteLastRow() override { --rows; }

private:
    std::vector<std::string> row_;
};

// Counts the events, so that the parse cannot be optimised away.
class CountingHandler : public markup::MarkupHandler {
public:
    std::size_t events = 0;
    void startElement(std::string_view, std::span<const markup::Attribute> attributes) override
    {
        events += 1 + attributes.size();
    }
    void endElement(std::string_view) override { ++events; }
    void text(std::string_view) override { ++events; }
    void rawText(std::string_view) override { ++events; }
};

std::size_t Parse(const Input& input)
{
    QuietHook hook;
    CountingHandler handler;
    markup::ReadMarkup(input.text, handler, hook);
    return handler.events;
}

std::size_t Links(const Input& input)
{
    QuietHook hook;
    const markup::MarkupLinks found = markup::ReadMarkupLinks(input.text, hook);
    return found.links.size() + found.mailTos.size();
}

std::size_t Extract(const Input& input)
{
    QuietHook hook;
    std::string text = input.text;
    text::StripTags(text, hook);
    text::ExtractSetup setup;
    setup.columns = { "Email", "WebSite", "FileName", "ProcessTime" };
    setup.filePath = input.name;
    setup.processTime = [] { return std::string("Mar-9-07 14:05"); };
    CountingSink sink;
    text::ExtractFindings(text, setup, sink, hook);
    return std::size_t(sink.rows);
}

std::size_t ExtractWithLinks(const Input& input)
{
    return Extract(input) + Links(input);
}

// The time this thread spent on a core: other work on a shared machine does
// not count against the engines.
double CpuSeconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Measured {
    double seconds = 0;
    std::size_t bytes = 0;
    std::size_t found = 0; // of the first round
};

// Repeats rounds over the inputs until half a second has passed or the budget is spent.
Measured Run(const std::function<std::size_t(const Input&)>& task, const std::vector<Input>& inputs, double budget)
{
    Measured m;
    int rounds = 0;
    do {
        for (const Input& input : inputs) {
            const double began = CpuSeconds();
            const std::size_t found = task(input);
            m.seconds += CpuSeconds() - began;
            m.bytes += input.text.size();
            if (rounds == 0)
                m.found += found;
            if (m.seconds > budget)
                return m;
        }
        ++rounds;
    } while (m.seconds < 0.5);
    return m;
}

void Report(const std::string& set, const char* task, const Measured& m)
{
    std::printf("%-22s %-20s %8.1f MB/s  %.3f s for %.2f MB, %zu found\n", set.c_str(), task,
        m.seconds > 0 ? double(m.bytes) / 1e6 / m.seconds : 0.0, m.seconds, double(m.bytes) / 1e6, m.found);
}

// A page of `count` distinct links, half absolute, half relative to a base.
std::string ManyLinks(int count)
{
    std::string page = "<html><head><base href=\"http://example.org/dir/\"></head><body>\n";
    for (int i = 0; i < count; ++i) {
        page += i % 2 ? "<a href=\"https://host" + std::to_string(i % 97) + ".example.com/p/" + std::to_string(i)
                + "?q=1&amp;r=2\">link</a>\n"
                      : "<img src=\"img/" + std::to_string(i) + ".png\" alt=\"\">\n";
    }
    return page + "</body></html>\n";
}

constexpr std::size_t kLarge = 50u * 1000 * 1000;

// The large inputs of the memory measurement.
std::string MakeLarge(const std::string& name)
{
    if (name == "page-50mb") {
        const std::string page = bench::MakeAdversarial("page-10mb");
        std::string out;
        while (out.size() < kLarge)
            out += page;
        return out;
    }
    if (name == "open-value-50mb")
        return "<p>x<a href=\"http://h/" + std::string(kLarge, 'v');
    if (name == "text-50mb")
        return "<p>" + std::string(kLarge, 't');
    if (name == "links-400k")
        return ManyLinks(400000);
    return {};
}

const char* const kLargeNames[] = { "page-50mb", "open-value-50mb", "text-50mb", "links-400k" };

int MemoryCase(const std::string& task, const std::string& name)
{
    if (name == "baseline")
        return 0;
    const Input input { name, MakeLarge(name) };
    // Forget the peak of making the input, so that the one read at the end is the task's.
    std::ofstream("/proc/self/clear_refs") << "5";
    if (task == "parse")
        Parse(input);
    else
        Links(input);
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            std::printf("%-16s %-6s input %7zu KiB  peak RSS while reading %7ld KiB\n", name.c_str(), task.c_str(),
                input.text.size() / 1024, std::atol(line.c_str() + 6));
    return 0;
}

long PeakOfCase(const char* self, const std::string& task, const std::string& name)
{
    std::vector<std::string> words { self, "--memory-case", task, name };
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

int PrintLinks(const std::string& directory)
{
    for (const Input& input : ReadCorpus(directory)) {
        QuietHook hook;
        const markup::MarkupLinks found = markup::ReadMarkupLinks(input.text, hook);
        for (const std::string& link : found.links)
            std::printf("%s\tlink\t%s\n", input.name.c_str(), link.c_str());
        for (const std::string& address : found.mailTos)
            std::printf("%s\tmailto\t%s\n", input.name.c_str(), address.c_str());
        if (found.outcome != markup::ReadOutcome::Finished)
            std::printf("%s\tstopped\t\n", input.name.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    double budget = 20;
    std::string corpus = "/tmp/tamsenor-corpus";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--memory-case" && i + 2 < argc)
            return MemoryCase(argv[i + 1], argv[i + 2]);
        if (argument == "--print-links" && i + 1 < argc)
            return PrintLinks(argv[i + 1]);
        if (argument == "--budget" && i + 1 < argc) {
            budget = std::atof(argv[++i]);
        } else if (argument.rfind("--", 0) == 0) {
            std::fprintf(stderr,
                "usage: tamsenor-markup-bench [--budget SECONDS] [CORPUS_DIR]\n"
                "       tamsenor-markup-bench --print-links CORPUS_DIR\n");
            return 2;
        } else {
            corpus = argument;
        }
    }

    // Before the corpus is read: a spawned process starts from its parent's peak.
    std::printf("peak memory (VmHWM), one fresh process per input and task; the input itself is counted:\n");
    std::printf("%-16s peak RSS %7ld KiB\n", "start-up", PeakOfCase(argv[0], "parse", "baseline"));
    for (const char* name : kLargeNames)
        for (const char* task : { "parse", "links" })
            if (PeakOfCase(argv[0], task, name) < 0)
                std::printf("%-16s %-6s the measuring process failed\n", name, task);
    std::printf("\n");
    const std::vector<Input> inputs = ReadCorpus(corpus);
    std::size_t total = 0;
    for (const Input& input : inputs)
        total += input.text.size();
    const std::string set = "corpus (" + std::to_string(inputs.size()) + " files)";
    std::printf("%s: %.1f MB\n", set.c_str(), double(total) / 1e6);
    // One untimed round first, so that the first measurement does not pay for the library's warming up.
    for (const Input& input : inputs)
        Links(input);
    Report(set, "parse", Run(Parse, inputs, budget));
    Report(set, "links", Run(Links, inputs, budget));
    Report(set, "strip+extract", Run(Extract, inputs, budget));
    Report(set, "strip+extract+links", Run(ExtractWithLinks, inputs, budget));

    std::printf("\npages of many links (MB/s should not fall as the count grows):\n");
    for (int count : { 100000, 200000, 400000 }) {
        const std::vector<Input> page { { "links", ManyLinks(count) } };
        Report(std::to_string(count) + " links", "links", Run(Links, page, budget));
    }

    return 0;
}
