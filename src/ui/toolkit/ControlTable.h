#pragma once

// The toolkit (src/ui/toolkit): the controls the windows are built from, placed in twips.

#include "ui/toolkit/StretchPlacer.h"

#include <QString>

class QWidget;

namespace tamsenor {

// What a row of a control table makes.
enum class ControlKind {
    Frame, // a group box; the caption is its title
    Button, // MakeCommandButton: the tip is also its accessible description
    CheckBox,
    Label,
    ElidingLabel,
    ListBox,
    DirList,
    DriveList,
    ComboBox,
    ProgressBar,
    VerticalLine, // sunken separator lines
    HorizontalLine,
};

// One control of a window as drawn: its objectName, what it is, its caption
// (with its access key), the frame it lies in, its place and size in twips
// inside that frame, how it follows the growth of its frame (or window), and
// what it tells the user and screen readers.
//
//   { "CmdRfrs", ControlKind::Button, "&Refresh", nullptr, { 3000, 2640, 855, 255 }, { 0.5, 0, 0.5, 0 },
//     "Re-list the files in current directory" }
struct ControlRow {
    struct Twips {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
    };

    const char* name = nullptr;
    ControlKind kind = ControlKind::Label;
    QString caption {};
    const char* parent = nullptr; // the frame's objectName; none: the window itself
    Twips place {};
    StretchPlacer::Shares growth {}; // all none: it stays where it was drawn
    QString tip {};
    QString accessibleName {};
    QString accessibleDescription {};

    bool grows() const { return growth.moveX || growth.growX || growth.moveY || growth.growY; }
};

// The control of `row`, made in `parent`, named, captioned and described, and
// placed for the font scale `scale` (see fontScale()).
QWidget* MakeControl(const ControlRow& row, QWidget* parent, double scale);

} // namespace tamsenor
