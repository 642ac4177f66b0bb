#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace tamsenor {

// A push button as the program's windows use it: found by `name` (its
// objectName), never a default button that Enter would press, and its tooltip
// also its accessible description, so a screen reader says what it does.
QPushButton* MakeCommandButton(QWidget* parent, const char* name, const QString& caption, const QString& tip);

} // namespace tamsenor
