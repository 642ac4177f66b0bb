#pragma once

#include "ui/toolkit/PacedCall.h"

#include <QProgressBar>

namespace tamsenor {

// A progress bar holding a single-precision value from 0 to 100. The bar runs
// on a finer internal range so that fractions such as 14.29 show as they are.
// A new value is painted with the window's next frame, never at once, and
// screen readers are told of it at most once a second: a run sets the bar
// many times a second.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    static constexpr int Steps = 10000; // internal units per 100
    static constexpr int AnnounceMs = 1000;

    explicit ProgressBar(QWidget* parent = nullptr);

    float value() const { return value_; }
    // Stores `v` and shows it; a value outside 0..100 (or not a number) fails and
    // leaves the bar as it was.
    bool setValue(float v);

    // The text the bar shows for its value ("14%").
    QString text() const override;

protected:
    void initStyleOption(QStyleOptionProgressBar* option) const override;

private:
    // What assistive technology reads (QProgressBar's own value) catches up.
    void announce();

    float value_ = 0.0f;
    int shown_ = 0; // value_ in internal units: what is painted
    PacedCall announcer_;
};

} // namespace tamsenor
