#pragma once

#include <QDateTime>

namespace tamsenor {

// The time source of the "ProcessTime" column; tests fix it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace tamsenor
