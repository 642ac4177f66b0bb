#include "engine/StripWorkers.h"

#include <chrono>
#include <new>

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

StripWorkers::StripWorkers(std::vector<std::string> inputs, int workers, bool stripChecked, std::size_t maxLength)
    : inputs_(std::move(inputs))
    , stripChecked_(stripChecked)
    , maxLength_(maxLength)
    , lookahead_(static_cast<std::size_t>(workers) * 2)
{
    for (int i = 0; i < workers; ++i)
        threads_.emplace_back([this] { work(); });
}

StripWorkers::~StripWorkers()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void StripWorkers::work()
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || next_ >= inputs_.size() || next_ < taken_ + lookahead_; });
            if (stop_ || next_ >= inputs_.size())
                return;
            index = next_++;
        }
        Prepared prepared;
        WorkerHook hook(stop_, stripChecked_, prepared.progress);
        try {
            prepared.result = PrepareStripText(inputs_[index], prepared.text, hook, maxLength_);
        } catch (const std::bad_alloc&) {
            prepared = {};
            prepared.result.reason = "there is not enough memory to convert it";
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ready_.emplace(index, std::move(prepared));
        }
        changed_.notify_all();
    }
}

std::optional<StripWorkers::Prepared> StripWorkers::take(std::size_t index, const std::function<bool()>& keepWaiting)
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (ready_.count(index) == 0) {
        lock.unlock();
        if (!keepWaiting())
            return std::nullopt;
        lock.lock();
        changed_.wait_for(lock, std::chrono::milliseconds(20), [&] { return ready_.count(index) > 0; });
    }
    const auto found = ready_.find(index);
    std::optional<Prepared> prepared = std::move(found->second);
    ready_.erase(found);
    taken_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    return prepared;
}

} // namespace tamsenor
