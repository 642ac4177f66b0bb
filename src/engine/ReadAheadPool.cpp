#include "engine/ReadAheadPool.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "engine/FileTexts.h"
#include "files/LocalText.h"
#include "text/StripTags.h"

namespace tamsenor {

namespace {

// A worker's view of the run: no events to process, cancel is the pool's stop
// flag, and every progress value stored is kept for the run to show later.
class WorkerHook : public text::Hook {
public:
    WorkerHook(const std::atomic<bool>& stop, bool strip, std::vector<float>& values)
        : stop_(stop)
        , strip_(strip)
        , values_(values)
    {
    }
    void yield() override { }
    bool cancelRequested() const override { return stop_.load(std::memory_order_relaxed); }
    float fileProgress() const override { return progress_; }
    void setFileProgress(float value) override
    {
        if (value < 0.0f || value > 100.0f)
            return;
        progress_ = value;
        values_.push_back(value);
    }
    bool stripChecked() const override { return strip_; }

private:
    const std::atomic<bool>& stop_;
    const bool strip_;
    float progress_ = 0.0f; // the run sets the bar to 0 before each file
    std::vector<float>& values_;
};

} // namespace

namespace {

constexpr std::size_t ReadyBudget = 256u << 20;

} // namespace

void PrepareExtractionText(
    const std::string& input, ReadAheadPool::Prepared& out, text::Hook& hook, const ReadAheadPool::Options& options)
{
    out.read = ReadChosenFile(input, out.text, options.maxLength, [&hook] {
        hook.yield();
        return !hook.cancelRequested();
    });
    if (out.read.status != TextRead::Status::Read)
        return;
    if (options.readLinks)
        out.listed = MarkupColumns(out.text, hook, &out.linksProblem);
    if (!options.searchText && !options.readable) {
        // No column reads the text: stripping it would be work for nothing.
        std::string().swap(out.text);
        return;
    }
    const SourceResult source = PrepareExtractionSource(out.text, options.readable, hook, input, options.mainText);
    out.failed = source.outOfMemory;
    out.problem = source.problem;
    // The pass's first step too, so that a worker takes it off the run's thread.
    if (!out.failed && out.problem.empty())
        out.text = text::NormaliseForExtraction(out.text, hook);
}

ReadAheadPool::ReadAheadPool(std::vector<std::string> inputs, int workers, Mode mode, Options options)
    : inputs_(std::move(inputs))
    , mode_(mode)
    , options_(std::move(options))
    , lookahead_(std::max<std::size_t>(static_cast<std::size_t>(workers) * 2, 32))
{
    try {
        for (int i = 0; i < workers; ++i)
            threads_.emplace_back([this] { work(); });
    } catch (...) {
        // No more threads to be had: the ones started must end before this
        // object does, and the run goes on without workers.
        stopAndJoin();
        throw;
    }
}

void ReadAheadPool::stopAndJoin()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    forWorkers_.notify_all();
    forRun_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable())
            thread.join();
    }
}

ReadAheadPool::~ReadAheadPool()
{
    stopAndJoin();
}

void ReadAheadPool::work()
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            forWorkers_.wait(lock, [this] { return stop_ || next_ >= inputs_.size() || canStart(); });
            if (stop_ || next_ >= inputs_.size())
                return;
            index = next_++;
            wakeRun();
        }
        Prepared prepared;
        WorkerHook hook(stop_, options_.stripChecked, prepared.progress);
        try {
            if (mode_ == Mode::Strip) {
                prepared.result
                    = PrepareStripText(inputs_[index], prepared.text, hook, options_.maxLength, options_.readable,
                        options_.mainText);
                if (prepared.result.written && !options_.outputDirectory.empty())
                    writeAhead(inputs_[index], prepared);
            } else {
                PrepareExtractionText(inputs_[index], prepared, hook, options_);
            }
        } catch (const std::exception& failure) {
            // As on the run's own thread: the file fails, the run goes on.
            const bool memory = dynamic_cast<const std::bad_alloc*>(&failure) != nullptr;
            const TextRead read = prepared.read;
            prepared = {};
            prepared.result.reason = memory ? std::string(NotEnoughMemoryToConvert)
                                            : std::string("it could not be converted: ") + failure.what();
            prepared.read = read;
            prepared.failed = memory;
            if (!memory)
                prepared.problem = prepared.result.reason;
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        readyBytes_ += prepared.text.size();
        ready_.emplace(index, std::move(prepared));
        wakeRun();
    }
}

bool ReadAheadPool::canStart() const
{
    // The file the run waits for is always started; others while there is room.
    return next_ < inputs_.size()
        && (next_ == taken_ || (next_ < taken_ + lookahead_ && readyBytes_ < ReadyBudget));
}

bool ReadAheadPool::runMayGo(std::size_t index) const
{
    // Woken for a few files at a time rather than for each: every wake of
    // the run's thread takes a core from a worker for a moment.
    constexpr std::size_t Gather = 4;
    if (ready_.count(index) == 0)
        return false;
    const std::size_t last = std::min(index + Gather, inputs_.size()) - 1;
    return ready_.count(last) > 0 || !canStart();
}

void ReadAheadPool::wakeRun()
{
    if (runWaiting_ && runMayGo(wanted_))
        forRun_.notify_one();
}

void ReadAheadPool::writeAhead(const std::string& input, Prepared& prepared) const
{
    // The name the output gets unless an earlier file of the run took it;
    // the run decides, and writes the file itself when the name differs.
    prepared.outputPath = options_.outputDirectory + "/" + LocalBytes(StripOutputName(FromLocalBytes(input)));
    auto output = std::make_unique<io::ReplacingFile>();
    if (!OpenOutput(*output, prepared.outputPath, options_.place))
        return;
    // In slices, so that a cancelled run does not wait for a huge output.
    constexpr std::size_t Slice = 16 << 20;
    for (std::size_t at = 0; at < prepared.text.size(); at += Slice) {
        if (stop_ || !output->write(std::string_view(prepared.text).substr(at, Slice)))
            return;
    }
    prepared.output = std::move(output);
}

std::optional<ReadAheadPool::Prepared> ReadAheadPool::take(std::size_t index, const std::function<bool()>& keepWaiting)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (ready_.count(index) == 0) {
        wanted_ = index;
        for (;;) {
            lock.unlock();
            if (!keepWaiting())
                return std::nullopt;
            lock.lock();
            runWaiting_ = true;
            const bool go = forRun_.wait_for(lock, std::chrono::milliseconds(20), [&] { return runMayGo(index); });
            runWaiting_ = false;
            // After a while the file is taken as soon as it is there.
            if (go || ready_.count(index) > 0)
                break;
        }
    }
    const auto found = ready_.find(index);
    std::optional<Prepared> prepared = std::move(found->second);
    ready_.erase(found);
    readyBytes_ -= prepared->text.size();
    taken_ = index + 1;
    lock.unlock();
    forWorkers_.notify_all();
    return prepared;
}

ReadAheadPool::Options PreparationOptions(RunHost& host, ReadAheadPool::Mode mode, std::size_t maxLength)
{
    const bool extraction = mode == ReadAheadPool::Mode::Extraction;
    const RunSettings& settings = host.state().settings;
    const std::vector<std::string>& columns = host.session().columnNames;
    ReadAheadPool::Options options;
    options.stripChecked = host.stripChecked();
    options.maxLength = maxLength;
    options.readLinks = extraction && settings.links;
    options.readable = extraction ? settings.readableExtraction : settings.readable;
    options.mainText = options.readable && settings.mainText;
    // Whether the text is searched at all, not only the links of the markup.
    options.searchText = !extraction || settings.keyword
        || std::any_of(columns.begin(), columns.end(),
            [](const std::string& name) { return name == "Email" || name == "WebSite"; });
    return options;
}

std::unique_ptr<ReadAheadPool> StartWorkers(
    RunHost& host, ReadAheadPool::Mode mode, std::size_t maxLength, const std::string& outputDirectory,
    const OutputPlace& place)
{
    const int count = host.chosenCount();
    if (host.workerCount() <= 1 || count <= 1)
        return nullptr;
    try {
        std::vector<std::string> inputs;
        inputs.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            inputs.push_back(LocalBytes(host.chosenEntry(i)));
        ReadAheadPool::Options options = PreparationOptions(host, mode, maxLength);
        options.outputDirectory = outputDirectory;
        options.place = place;
        return std::make_unique<ReadAheadPool>(
            std::move(inputs), std::min(host.workerCount(), count), mode, std::move(options));
    } catch (const std::exception&) {
        return nullptr; // no threads to be had: the run works alone
    }
}

} // namespace tamsenor
