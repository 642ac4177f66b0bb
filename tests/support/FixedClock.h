#pragma once

#include "engine/Clock.h"

namespace tamsenor::testing {

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime t) : t_(std::move(t)) {}
    QDateTime now() const override { return t_; }
    void set(QDateTime t) { t_ = std::move(t); }

private:
    QDateTime t_;
};

} // namespace tamsenor::testing
