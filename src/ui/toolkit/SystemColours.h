#pragma once

#include <QColor>

class QWidget;

namespace tamsenor {

// The platform's system colours by their classic index, taken from the
// application palette: 0 scroll bar, 5 window background, 12 application
// workspace. Any other index gives an invalid colour.
QColor SystemColour(int index);

// A control's caption (text) colour, in every colour group so that a disabled
// control keeps it too.
void setCaptionColour(QWidget* widget, const QColor& colour);
QColor captionColour(const QWidget* widget);

// A list's or text box's background colour, in every colour group.
void setBackgroundColour(QWidget* widget, const QColor& colour);
QColor backgroundColour(const QWidget* widget);

} // namespace tamsenor
