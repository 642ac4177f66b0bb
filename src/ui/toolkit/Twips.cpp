#include "ui/toolkit/Twips.h"

#include <QFontMetricsF>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tamsenor {

double fontScale(const QFont& font)
{
    // The layouts were drawn for a font whose lines are 12.5 pixels high and
    // whose average character is about 5.5 pixels wide; a larger font grows
    // everything alike.
    const QFontMetricsF fm(font);
    return std::clamp(std::max(fm.averageCharWidth() / 5.5, fm.height() / 12.5), 1.0, 3.0);
}

int twips(int value, double scale)
{
    return static_cast<int>(std::lround(value * scale / 15.0));
}

void placeTwips(QWidget* widget, int left, int top, int width, int height, double scale)
{
    widget->setGeometry(twips(left, scale), twips(top, scale), twips(width, scale), twips(height, scale));
}

} // namespace tamsenor
