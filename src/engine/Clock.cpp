#include "engine/Clock.h"

namespace tamsenor {

QDateTime SystemClock::now() const
{
    // Reading the seconds since the epoch needs no time zone.
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    const std::lock_guard<std::mutex> lock(mutex_);
    if (second != second_) {
        // The local time as a fixed offset, so that reading its date, time and
        // offset does not look the zone up again.
        const int offset = QDateTime::fromSecsSinceEpoch(second).offsetFromUtc();
        local_ = QDateTime::fromSecsSinceEpoch(second, Qt::OffsetFromUTC, offset);
        second_ = second;
    }
    return local_;
}

} // namespace tamsenor
