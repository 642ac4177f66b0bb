#pragma once

#include <QProgressBar>

namespace tamsenor {

// A progress bar holding a single-precision value from 0 to 100. The bar runs
// on a finer internal range so that fractions such as 14.29 show as they are.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    static constexpr int Steps = 10000; // internal units per 100

    explicit ProgressBar(QWidget* parent = nullptr);

    float value() const { return value_; }
    // Stores `v` and shows it; a value outside 0..100 (or not a number) fails and
    // leaves the bar as it was.
    bool setValue(float v);

private:
    float value_ = 0.0f;
};

} // namespace tamsenor
