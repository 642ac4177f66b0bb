#include "ui/toolkit/StretchPlacer.h"

#include <algorithm>
#include <cmath>

namespace tamsenor {

StretchPlacer::StretchPlacer(QSize drawnSize)
    : drawn_(drawnSize)
{
}

void StretchPlacer::add(QWidget* widget, Shares shares)
{
    entries_.push_back({ widget, widget->geometry(), shares });
}

void StretchPlacer::apply(QSize size) const
{
    const int gx = std::max(0, size.width() - drawn_.width());
    const int gy = std::max(0, size.height() - drawn_.height());
    auto part = [](double share, int growth) { return static_cast<int>(std::lround(share * growth)); };
    for (const Entry& e : entries_) {
        if (!e.widget)
            continue;
        const QPoint at(e.drawn.x() + part(e.shares.moveX, gx), e.drawn.y() + part(e.shares.moveY, gy));
        if (e.shares.growX == 0 && e.shares.growY == 0) {
            e.widget->move(at);
            continue;
        }
        e.widget->setGeometry(
            QRect(at, QSize(e.drawn.width() + part(e.shares.growX, gx), e.drawn.height() + part(e.shares.growY, gy))));
    }
}

} // namespace tamsenor
