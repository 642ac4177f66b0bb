#pragma once

#include <functional>

namespace tamsenor::text {

// The seam through which every long loop of the text engines talks to its host.
// The window wires it to the event queue, CancelRequested, PBFProgress and
// ChkStrip; tests and the batch tool script it.
class Hook {
public:
    virtual ~Hook() = default;

    // Lets the host process pending events (repaints, the Cancel click).
    virtual void yield() = 0;
    // True once the user asked the run to stop.
    virtual bool cancelRequested() const = 0;

    // The per-file progress value, 0 to 100, single precision.
    virtual float fileProgress() const = 0;
    // Stores a new per-file progress value; a value outside 0..100 is not stored.
    virtual void setFileProgress(float value) = 0;

    // Whether "Striping html Tags" is checked at this moment.
    virtual bool stripChecked() const = 0;
};

// A hook that holds its state in plain members; `onYield` runs on every yield
// (tests use it to request a cancel after the N-th yield).
class BasicHook : public Hook {
public:
    bool strip = false;
    bool cancel = false;
    float progress = 0.0f;
    long yields = 0;
    std::function<void(BasicHook&)> onYield;

    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(*this);
    }
    bool cancelRequested() const override { return cancel; }
    float fileProgress() const override { return progress; }
    void setFileProgress(float value) override
    {
        if (value >= 0.0f && value <= 100.0f)
            progress = value;
    }
    bool stripChecked() const override { return strip; }
};

enum class Outcome { Finished, Cancelled };

// The per-file progress moves a tenth of the way to `target` per step of a pass.
inline float ProgressStep(float progress, float target)
{
    return progress + (target - progress) / 10.0f;
}

inline void StepFileProgress(Hook& hook, float target)
{
    hook.setFileProgress(ProgressStep(hook.fileProgress(), target));
}

// The tag passes aim at 100 when the tags go and at 50 when extraction follows.
// The progress is read before the check box, as hosts have always seen it.
inline void StepStripProgress(Hook& hook)
{
    const float progress = hook.fileProgress();
    hook.setFileProgress(ProgressStep(progress, hook.stripChecked() ? 100.0f : 50.0f));
}

} // namespace tamsenor::text
