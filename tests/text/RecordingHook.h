#pragma once

#include "text/Hook.h"

#include <cstdio>
#include <string>

namespace tamsenor::text::testing {

// A hook that writes down every call the engine makes, in order, so that two
// engines can be shown to talk to their host identically. It can request a
// cancel at the N-th yield and flip the strip switch at the M-th yield.
class RecordingHook : public Hook {
public:
    bool strip = false;
    float progress = 0.0f;
    long cancelAtYield = 0; // 0: never
    long flipStripAtYield = 0; // 0: never
    long yields = 0;
    mutable std::string log; // every call, also the const queries

    void yield() override
    {
        ++yields;
        log += 'Y';
        if (yields == cancelAtYield)
            cancel_ = true;
        if (yields == flipStripAtYield)
            strip = !strip;
    }
    bool cancelRequested() const override
    {
        log += cancel_ ? "C1" : "C0";
        return cancel_;
    }
    float fileProgress() const override
    {
        log += 'G';
        return progress;
    }
    void setFileProgress(float value) override
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "S%a", static_cast<double>(value));
        log += buffer;
        if (value >= 0.0f && value <= 100.0f)
            progress = value;
    }
    bool stripChecked() const override
    {
        log += strip ? "K1" : "K0";
        return strip;
    }

private:
    bool cancel_ = false;
};

} // namespace tamsenor::text::testing
