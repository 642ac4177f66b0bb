#include "ui/toolkit/ProgressBar.h"

#include <QStyleOptionProgressBar>

#include <cmath>

namespace tamsenor {

ProgressBar::ProgressBar(QWidget* parent)
    : QProgressBar(parent)
    , announcer_(
          AnnounceMs, [this] { announce(); }, this)
{
    setRange(0, Steps);
    QProgressBar::setValue(0);
}

bool ProgressBar::setValue(float v)
{
    if (!(v >= 0.0f && v <= 100.0f)) // also refuses NaN
        return false;
    value_ = v;
    const int units = static_cast<int>(std::lround(static_cast<double>(v) * Steps / 100.0));
    if (units != shown_) {
        // QProgressBar::setValue would paint at once and tell screen readers
        // of every step; this bar is painted with the next frame instead.
        shown_ = units;
        update();
        announcer_.request();
    }
    return true;
}

void ProgressBar::announce()
{
    QProgressBar::setValue(shown_);
}

QString ProgressBar::text() const
{
    QString result = format();
    QLocale numbers = locale();
    numbers.setNumberOptions(numbers.numberOptions() | QLocale::OmitGroupSeparator);
    result.replace(QLatin1String("%m"), numbers.toString(Steps));
    result.replace(QLatin1String("%v"), numbers.toString(shown_));
    result.replace(QLatin1String("%p"), numbers.toString(shown_ * 100 / Steps));
    return result;
}

void ProgressBar::initStyleOption(QStyleOptionProgressBar* option) const
{
    QProgressBar::initStyleOption(option);
    option->progress = shown_;
    option->text = text();
}

} // namespace tamsenor
