#pragma once

#include "text/Hook.h"

#include <chrono>
#include <functional>

namespace tamsenor::text {

// Passes yields on to another hook at most once per interval, so that a text
// with tens of thousands of distinct tags does not pay one round of the event
// queue per tag. Cancel, progress and the strip switch go through on every
// call, so a cancel requested during a passed-on yield is still seen at the
// engine's next test point. The first yield always goes through.
class ThrottledHook : public Hook {
public:
    using Clock = std::chrono::steady_clock;

    explicit ThrottledHook(Hook& inner, Clock::duration interval = std::chrono::milliseconds(2),
        std::function<Clock::time_point()> now = &Clock::now);

    void yield() override;
    bool cancelRequested() const override { return inner_.cancelRequested(); }
    float fileProgress() const override { return inner_.fileProgress(); }
    void setFileProgress(float value) override { inner_.setFileProgress(value); }
    bool stripChecked() const override { return inner_.stripChecked(); }

private:
    Hook& inner_;
    Clock::duration interval_;
    std::function<Clock::time_point()> now_;
    bool passedOnce_ = false;
    Clock::time_point lastPassed_ {};
};

} // namespace tamsenor::text
