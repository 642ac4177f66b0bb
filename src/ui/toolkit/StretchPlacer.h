#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

namespace tamsenor {

// Keeps controls placed as they were drawn while their container grows beyond
// its drawn size: each control moves and grows by fixed shares of the growth,
// so lists can take the new room and the buttons beside them follow.
//
//   StretchPlacer p(QSize(400, 300));
//   p.add(list, { 0, 1, 0, 1 });   // takes all growth
//   p.add(ok, { 1, 0, 1, 0 });     // keeps to the bottom right corner
//   p.apply(QSize(500, 350));      // list 100 wider and 50 taller, ok moved
//
// A control that only moves keeps its size, so a label may size itself.
class StretchPlacer {
public:
    struct Shares {
        double moveX = 0;
        double growX = 0;
        double moveY = 0;
        double growY = 0;
    };

    explicit StretchPlacer(QSize drawnSize = {});

    void setDrawnSize(QSize size) { drawn_ = size; }
    QSize drawnSize() const { return drawn_; }
    // Remembers the control's present place as its drawn place.
    void add(QWidget* widget, Shares shares);
    // Places every control for a container of `size`; below the drawn size the
    // drawn places hold.
    void apply(QSize size) const;

private:
    struct Entry {
        QPointer<QWidget> widget;
        QRect drawn;
        Shares shares;
    };
    QSize drawn_;
    std::vector<Entry> entries_;
};

} // namespace tamsenor
