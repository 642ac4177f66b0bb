#include "ui/toolkit/FramePacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace tamsenor {

FramePacer::FramePacer(QWidget* window)
    : QObject(window)
    , window_(window)
{
    next_.setSingleShot(true);
    next_.setTimerType(Qt::PreciseTimer);
    connect(&next_, &QTimer::timeout, this, &FramePacer::releaseHeld);
    window_->installEventFilter(this);
}

void FramePacer::setOn(bool on)
{
    on_ = on;
    if (!on_) {
        next_.stop();
        releaseHeld();
    }
}

int FramePacer::frameMs() const
{
    // A screen that does not know its rate is taken to show 60 frames a second.
    const QScreen* screen = window_->screen();
    const double rate = screen ? screen->refreshRate() : 0.0;
    return rate >= 1.0 ? std::max(1, static_cast<int>(std::lround(1000.0 / rate))) : 16;
}

void FramePacer::releaseHeld()
{
    if (!held_)
        return;
    held_ = false;
    // The repaint manager asks for its painting with this event; its dirty
    // regions were kept while the request was held.
    QCoreApplication::postEvent(window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

bool FramePacer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_ || event->type() != QEvent::UpdateRequest || !on_)
        return false;
    const int frame = frameMs();
    if (!lastFrame_.isValid() || lastFrame_.elapsed() >= frame) {
        lastFrame_.start();
        return false; // painted now
    }
    held_ = true;
    if (!next_.isActive())
        next_.start(static_cast<int>(frame - lastFrame_.elapsed()));
    return true;
}

} // namespace tamsenor
