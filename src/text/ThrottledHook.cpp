#include "text/ThrottledHook.h"

#include <utility>

namespace tamsenor::text {

ThrottledHook::ThrottledHook(Hook& inner, Clock::duration interval, std::function<Clock::time_point()> now)
    : inner_(inner)
    , interval_(interval)
    , now_(std::move(now))
{
}

void ThrottledHook::yield()
{
    const Clock::time_point now = now_();
    if (passedOnce_ && now - lastPassed_ < interval_)
        return;
    passedOnce_ = true;
    lastPassed_ = now;
    inner_.yield();
}

} // namespace tamsenor::text
