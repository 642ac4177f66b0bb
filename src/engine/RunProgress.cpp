#include "engine/RunProgress.h"

#include <cstdlib>

namespace tamsenor {

namespace {

// numerator / denominator rounded to a whole number, halves to even.
std::int64_t DivideHalfToEven(std::int64_t numerator, std::int64_t denominator)
{
    std::int64_t quotient = numerator / denominator;
    std::int64_t twiceRest = 2 * (numerator % denominator);
    if (twiceRest > denominator || (twiceRest == denominator && quotient % 2 != 0))
        ++quotient;
    return quotient;
}

} // namespace

double OverallProgressStep(int fileCount)
{
    if (fileCount <= 0)
        return 0.0;
    // In hundredths, so that the rounding sees the exact decimal value.
    return static_cast<double>(DivideHalfToEven(10000, fileCount)) / 100.0;
}

void RaiseOverallProgress(RunHost& host, double step)
{
    const float current = host.overallProgress();
    if (current >= 99.5f)
        return;
    const double raised = static_cast<double>(current) + step;
    if (raised > 100.0)
        return;
    host.setOverallProgress(static_cast<float>(raised));
}

QString FormatSizeInK(std::int64_t bytes)
{
    const std::int64_t hundredths = DivideHalfToEven(bytes < 0 ? 0 : bytes, 10);
    QString text = QString::number(hundredths / 100);
    const int fraction = static_cast<int>(hundredths % 100);
    if (fraction % 10 != 0)
        text += QStringLiteral(".%1").arg(fraction, 2, 10, QLatin1Char('0'));
    else if (fraction != 0)
        text += QStringLiteral(".%1").arg(fraction / 10);
    return text;
}

QString ProgressCaption(const QString& path, std::optional<std::int64_t> bytes)
{
    if (!bytes)
        return path;
    return path + QStringLiteral(" ( ") + FormatSizeInK(*bytes) + QStringLiteral("k )");
}

QString FormatProcessTime(const QDateTime& time, const QLocale& locale)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    return locale.monthName(date.month(), QLocale::ShortFormat) + QLatin1Char('-') + QString::number(date.day())
        + QLatin1Char('-') + QStringLiteral("%1").arg(std::abs(date.year()) % 100, 2, 10, QLatin1Char('0'))
        + QLatin1Char(' ') + QString::number(clock.hour()) + QLatin1Char(':')
        + QStringLiteral("%1").arg(clock.minute(), 2, 10, QLatin1Char('0'));
}

} // namespace tamsenor
