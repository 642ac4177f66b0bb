#pragma once

#include <QDateTime>

#include <mutex>

namespace tamsenor {

// The time source of the "ProcessTime" column; tests fix it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The local time, to the second, as its offset from UTC.
class SystemClock : public Clock {
public:
    QDateTime now() const override;

private:
    // The local time of the last second asked for: working it out reads the
    // time zone file, and an extraction asks once per row, many times a second.
    mutable std::mutex mutex_;
    mutable qint64 second_ = -1;
    mutable QDateTime local_;
};

} // namespace tamsenor
