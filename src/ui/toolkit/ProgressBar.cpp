#include "ui/toolkit/ProgressBar.h"

#include <cmath>

namespace tamsenor {

ProgressBar::ProgressBar(QWidget* parent)
    : QProgressBar(parent)
{
    setRange(0, Steps);
    QProgressBar::setValue(0);
}

bool ProgressBar::setValue(float v)
{
    if (!(v >= 0.0f && v <= 100.0f)) // also refuses NaN
        return false;
    value_ = v;
    QProgressBar::setValue(static_cast<int>(std::lround(static_cast<double>(v) * Steps / 100.0)));
    return true;
}

} // namespace tamsenor
