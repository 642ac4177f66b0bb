#include "ui/toolkit/PacedCall.h"

namespace tamsenor {

PacedCall::PacedCall(int intervalMs, std::function<void()> action, QObject* parent)
    : QObject(parent)
    , interval_(intervalMs)
    , action_(std::move(action))
{
    later_.setSingleShot(true);
    connect(&later_, &QTimer::timeout, this, [this] {
        if (pending_)
            run();
    });
}

void PacedCall::request()
{
    pending_ = true;
    if (later_.isActive())
        return;
    // When due, still not at once: the requests of one step (a caption and
    // its note) go out together, at the next turn of the event loop.
    const qint64 since = last_.isValid() ? last_.elapsed() : interval_;
    later_.start(since >= interval_ ? 0 : static_cast<int>(interval_ - since));
}

void PacedCall::flush()
{
    if (!pending_)
        return;
    later_.stop();
    run();
}

void PacedCall::run()
{
    pending_ = false;
    last_.start();
    action_();
}

} // namespace tamsenor
