#pragma once

#include "engine/RunHost.h"
#include "text/Hook.h"

namespace tamsenor {

// Lets the text engines talk to the window of a run: yields go to the event
// queue, cancel is MainState::run.cancelRequested, progress is PBFProgress.
class HostHook : public text::Hook {
public:
    explicit HostHook(RunHost& host)
        : host_(host)
    {
    }

    void yield() override { host_.yield(); }
    bool cancelRequested() const override { return host_.state().run.cancelRequested; }
    float fileProgress() const override { return host_.fileProgress(); }
    // A value outside the bar's range is not stored; that never fails the file.
    void setFileProgress(float value) override { host_.setFileProgress(value); }
    bool stripChecked() const override { return host_.stripChecked(); }

    // For a wait on the workers: lets the window breathe, and says whether to
    // go on waiting (no cancel yet).
    bool keepWaiting()
    {
        yield();
        return !cancelRequested();
    }

private:
    RunHost& host_;
};

} // namespace tamsenor
