// tamsenor-bench: throughput and peak memory of the text engines. Not a test:
// it asserts nothing and ctest never runs it.
//
//   tamsenor-bench [--budget SECONDS] [--keyword NAME=POSITIONS]... [--only INPUT]... [--size MIB] [--cpu]
//                  [--production] [CORPUS_DIR]
//
// Reports MB/s (1 MB = 10^6 bytes) of StripTags alone (as strip mode runs it)
// and of StripTags + ExtractFindings with e-mails, web sites and two keywords
// (as an extraction run does), for the production engines and, when built
// with the test tree, the literal reference engines. A measurement repeats
// its inputs in rounds until half a second of engine time has passed, and
// stops after the budget (the literal engines need minutes for some inputs).
// Peak memory is measured in a fresh process per input. --size makes every
// generated input about that many MiB; --cpu times the engine calls by the
// thread's CPU time, which a busy machine disturbs less than the clock;
// --production leaves the reference engines out, for quick comparisons.
#include "Adversarial.h"

#include "text/Extract.h"
#include "text/StripTags.h"

#if defined(TAMSENOR_HAVE_REFERENCE)
#include "reference/ReferenceExtract.h"
#include "reference/ReferenceStripTags.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace tamsenor;
using bench::Input;
using Clock = std::chrono::steady_clock;

namespace {

struct Engine {
    const char* name;
    text::StripResult (*strip)(std::string&, text::Hook&);
    text::Outcome (*extract)(std::string&, const text::ExtractSetup&, text::RowSink&, text::Hook&);
};

// A hook that asks to cancel once a deadline has passed.
class DeadlineHook : public text::Hook {
public:
    bool strip = false;
    Clock::time_point deadline = Clock::time_point::max();
    float progress = 0.0f;

    void yield() override { }
    // The clock is read at every 1,024th test only: a pass with millions of
    // iterations would otherwise spend much of its time reading it.
    bool cancelRequested() const override
    {
        return deadline != Clock::time_point::max() && (++tests_ & 1023) == 0 && Clock::now() > deadline;
    }
    float fileProgress() const override { return progress; }
    void setFileProgress(float value) override
    {
        if (value >= 0.0f && value <= 100.0f)
            progress = value;
    }
    bool stripChecked() const override { return strip; }

private:
    mutable unsigned long tests_ = 0;
};

// Keeps only the current row and counts the rows.
class CountingSink : public text::RowSink {
public:
    explicit CountingSink(std::size_t width)
        : row_(width)
    {
    }
    long rows = 0;
    void addRow() override
    {
        ++rows;
        std::fill(row_.begin(), row_.end(), std::string());
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

struct Settings {
    double budget = 60.0; // seconds per measurement
    std::vector<text::Keyword> keywords { { "Note:", "1, 2" }, { "See", "1" } };
    std::string corpus;
    std::vector<std::string> only; // --only: these generated inputs alone, no corpus memory case
    std::size_t size = 0; // --size: of every generated input, in bytes; 0: each its usual size
    bool cpu = false; // --cpu: engine time is the thread's CPU time
    bool productionOnly = false; // --production: no reference engines
};

double Seconds(bool cpu)
{
    if (!cpu)
        return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::vector<std::string> GeneratedNames(const Settings& settings)
{
    return settings.only.empty() ? bench::AdversarialNames() : settings.only;
}

// As a run bounds a file's findings: 64 times the file, at least 1 MiB.
std::size_t FindingsLimit(std::size_t size)
{
    return std::max<std::size_t>(std::size_t(1) << 20, 64 * size);
}

text::ExtractSetup ExtractionSetup(const Settings& settings, const std::string& file, std::size_t size)
{
    text::ExtractSetup setup;
    setup.columns = { "Email", "WebSite" };
    for (const text::Keyword& keyword : settings.keywords)
        setup.columns.push_back(keyword.name);
    setup.columns.push_back("FileName");
    setup.columns.push_back("ProcessTime");
    setup.keywordOn = true;
    setup.keywords = settings.keywords;
    setup.filePath = file;
    setup.processTime = [] { return std::string("Mar-9-07 14:05"); };
    setup.findingsLimit = FindingsLimit(size);
    return setup;
}

struct Measured {
    double seconds = 0;
    std::size_t bytes = 0; // of the inputs finished, over every round
    std::size_t files = 0;
    long rows = 0; // of the first round
    int rounds = 0; // whole rounds over the inputs
    bool complete = true;
};

// A round over small inputs takes a few milliseconds, where one page fault
// more or less shows; rounds repeat until this much engine time has passed.
constexpr double MinimumSeconds = 0.5;

// Runs one engine over the inputs, timing only the engine calls, in rounds
// until MinimumSeconds have passed (one round at least).
Measured Run(
    const Engine& engine, bool extract, const std::vector<Input>& inputs, const Settings& settings, double budget)
{
    Measured measured;
    std::string buffer;
    const Clock::time_point start = Clock::now();
    do {
        for (const Input& input : inputs) {
            buffer = input.text;
            DeadlineHook hook;
            hook.strip = !extract; // strip mode has the switch ticked; extraction runs do not
            if (budget > 0)
                hook.deadline
                    = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(budget));
            const double began = Seconds(settings.cpu);
            text::Outcome outcome = engine.strip(buffer, hook).outcome;
            long rows = 0;
            if (extract && outcome == text::Outcome::Finished) {
                const text::ExtractSetup setup = ExtractionSetup(settings, input.name, input.text.size());
                CountingSink sink(setup.columns.size());
                outcome = engine.extract(buffer, setup, sink, hook);
                rows = sink.rows;
            }
            const double seconds = Seconds(settings.cpu) - began;
            if (outcome == text::Outcome::Cancelled) {
                // After a whole round the cut file is left out; in the first
                // round what was finished is reported as such.
                measured.complete = measured.rounds > 0;
                if (!measured.complete)
                    measured.seconds += seconds;
                return measured;
            }
            measured.seconds += seconds;
            measured.bytes += input.text.size();
            if (measured.rounds == 0) {
                measured.rows += rows;
                ++measured.files;
            }
        }
        ++measured.rounds;
    } while (measured.seconds < MinimumSeconds);
    return measured;
}

void Report(const char* set, const char* engine, const char* task, const Measured& m, std::size_t totalBytes)
{
    const double mb = static_cast<double>(m.bytes) / 1e6;
    if (!m.complete && m.bytes == 0) {
        std::printf("%-16s %-11s %-14s %10s  (not finished within %.0f s)\n", set, engine, task, "-", m.seconds);
        return;
    }
    std::printf("%-16s %-11s %-14s %10.1f  %.3f s for %.2f MB", set, engine, task, m.seconds > 0 ? mb / m.seconds : 0.0,
        m.seconds, mb);
    if (m.rounds > 1)
        std::printf(" (%d rounds)", m.rounds);
    if (!m.complete)
        std::printf(" (stopped by the budget, %.2f of %.2f MB)", mb, static_cast<double>(totalBytes) / 1e6);
    if (m.rows > 0)
        std::printf(", %ld rows", m.rows);
    std::printf("\n");
}

text::Outcome ProductionExtract(
    std::string& text, const text::ExtractSetup& setup, text::RowSink& rows, text::Hook& hook)
{
    return text::ExtractFindings(text, setup, rows, hook).outcome;
}

std::vector<Engine> Engines(const Settings& settings)
{
    std::vector<Engine> engines { { "production", &text::StripTags, &ProductionExtract } };
#if defined(TAMSENOR_HAVE_REFERENCE)
    if (!settings.productionOnly)
        engines.push_back({ "reference", &reference::StripTags, &reference::ExtractFindings });
#endif
    return engines;
}

void Bench(const char* set, const std::vector<Input>& inputs, const Settings& settings)
{
    std::size_t total = 0;
    for (const Input& input : inputs)
        total += input.text.size();
    for (const Engine& engine : Engines(settings)) {
        Report(set, engine.name, "strip", Run(engine, false, inputs, settings, settings.budget), total);
        Report(set, engine.name, "strip+extract", Run(engine, true, inputs, settings, settings.budget), total);
    }
}

// The child's side of the memory measurement: one input, both tasks.
int MemoryCase(const std::string& name, const Settings& settings)
{
    if (name == "baseline")
        return 0;
    std::vector<Input> inputs;
    if (name.rfind("file:", 0) == 0) {
        std::ifstream in(name.substr(5), std::ios::binary);
        inputs.push_back({ name.substr(5), std::string(std::istreambuf_iterator<char>(in), {}) });
    } else {
        inputs.push_back({ name, bench::MakeAdversarial(name, settings.size) });
    }
    const Engine production = Engines(settings).front();
    const bool complete = Run(production, false, inputs, settings, settings.budget).complete
        && Run(production, true, inputs, settings, settings.budget).complete;
    return complete ? 0 : 3;
}

// Peak resident memory in KiB of a fresh process that runs one memory case.
struct Peak {
    long kib = -1; // -1: the measuring process failed
    bool stopped = false; // the budget stopped the engines first
};

// Peak resident memory of a fresh process that runs one memory case.
Peak PeakOfCase(const char* self, const std::string& name, const Settings& settings)
{
    char size[32];
    std::snprintf(size, sizeof size, "%.17g", static_cast<double>(settings.size) / (1024 * 1024));
    std::vector<std::string> words { self, "--budget", std::to_string(settings.budget), "--size", size, "--memory-case",
        name };
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    Peak peak;
    pid_t child = 0;
    if (::posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
        return peak;
    int status = 0;
    rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status))
        return peak;
    if (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 3)
        return peak;
    peak.kib = usage.ru_maxrss;
    peak.stopped = WEXITSTATUS(status) == 3;
    return peak;
}

void ReportMemory(
    const char* self, const std::string& name, std::size_t inputBytes, long baseline, const Settings& settings)
{
    const Peak peak = PeakOfCase(self, name, settings);
    const std::string shown = name.size() > 28 ? "..." + name.substr(name.size() - 25) : name;
    if (peak.kib < 0) {
        std::printf("%-28s peak memory not measured: the measuring process failed\n", shown.c_str());
        return;
    }
    const double input = static_cast<double>(inputBytes) / 1024.0;
    std::printf("%-28s input %8.0f KiB  peak RSS %8ld KiB  above start-up %8ld KiB = %.1f x input%s\n", shown.c_str(),
        input, peak.kib, peak.kib - baseline, input > 0 ? static_cast<double>(peak.kib - baseline) / input : 0.0,
        peak.stopped ? " (the budget stopped the engines)" : "");
}

int Usage()
{
    std::fprintf(stderr,
        "usage: tamsenor-bench [--budget SECONDS] [--keyword NAME=POSITIONS]... [--only INPUT]... [--size MIB] [--cpu] "
        "[--production] [CORPUS_DIR]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Settings settings;
    bool keywordsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--memory-case" && i + 1 < argc)
            return MemoryCase(argv[i + 1], settings);
        if (argument == "--budget" && i + 1 < argc) {
            settings.budget = std::atof(argv[++i]);
        } else if (argument == "--size" && i + 1 < argc) {
            settings.size = static_cast<std::size_t>(std::atof(argv[++i]) * 1024 * 1024);
        } else if (argument == "--cpu") {
            settings.cpu = true;
        } else if (argument == "--production") {
            settings.productionOnly = true;
        } else if (argument == "--only" && i + 1 < argc) {
            settings.only.push_back(argv[++i]);
        } else if (argument == "--keyword" && i + 1 < argc) {
            const std::string value = argv[++i];
            const std::size_t equals = value.find('=');
            if (equals == std::string::npos)
                return Usage();
            if (!keywordsGiven)
                settings.keywords.clear();
            keywordsGiven = true;
            settings.keywords.push_back({ value.substr(0, equals), value.substr(equals + 1) });
        } else if (argument.rfind("--", 0) == 0 || !settings.corpus.empty()) {
            return Usage();
        } else {
            settings.corpus = argument;
        }
    }

    std::printf("engines: production");
#if defined(TAMSENOR_HAVE_REFERENCE)
    if (!settings.productionOnly)
        std::printf(", reference (each measurement stops after %.0f s)", settings.budget);
#else
    std::printf(" (reference not built: configure with the tests to compare)");
#endif
    std::printf("\nkeywords:");
    for (const text::Keyword& keyword : settings.keywords)
        std::printf(" '%s' at %s;", keyword.name.c_str(), keyword.position.c_str());
    std::printf("\n\n");

    // Memory first, while this process is small: a child's peak starts from
    // what its parent held when it was started.
    std::printf("peak memory (ru_maxrss), production engines, strip and strip+extract, one fresh process per input:\n");
    const long baseline = PeakOfCase(argv[0], "baseline", settings).kib;
    std::printf("%-28s peak RSS %ld KiB\n", "start-up", baseline);
    for (const std::string& name : GeneratedNames(settings))
        ReportMemory(argv[0], name, bench::MakeAdversarial(name, settings.size).size(), baseline, settings);
    if (!settings.corpus.empty()) {
        std::size_t largest = 0;
        std::string largestFile;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(settings.corpus)) {
            if (entry.is_regular_file() && entry.file_size() > largest) {
                largest = entry.file_size();
                largestFile = entry.path().string();
            }
        }
        if (!largestFile.empty())
            ReportMemory(argv[0], "file:" + largestFile, largest, baseline, settings);
    }

    std::printf("\n%-16s %-11s %-14s %10s\n", "input", "engine", "task", "MB/s");
    if (!settings.corpus.empty()) {
        const std::vector<Input> corpus = bench::ReadCorpus(settings.corpus);
        std::size_t total = 0;
        std::size_t largest = 0;
        for (const Input& input : corpus) {
            total += input.text.size();
            largest = std::max(largest, input.text.size());
        }
        std::printf("corpus: %zu files, %.2f MB, largest %.0f KB\n", corpus.size(), static_cast<double>(total) / 1e6,
            static_cast<double>(largest) / 1e3);
        Bench("corpus", corpus, settings);
    }

    for (const std::string& name : GeneratedNames(settings)) {
        const std::vector<Input> one { { name, bench::MakeAdversarial(name, settings.size) } };
        Bench(name.c_str(), one, settings);
    }

    return 0;
}
