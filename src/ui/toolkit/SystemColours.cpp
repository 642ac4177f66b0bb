#include "ui/toolkit/SystemColours.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace tamsenor {

QColor SystemColour(int index)
{
    const QPalette pal = QApplication::palette();
    switch (index) {
    case 0: // scroll bar: the light grey of buttons and bars
        return pal.color(QPalette::Active, QPalette::Button);
    case 5: // window background: where text is entered and lists are shown
        return pal.color(QPalette::Active, QPalette::Base);
    case 12: // application workspace: a darker grey
        return pal.color(QPalette::Active, QPalette::Dark);
    default:
        return {};
    }
}

namespace {
void setRoleEverywhere(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette pal = widget->palette();
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        pal.setColor(group, role, colour);
    widget->setPalette(pal);
}
} // namespace

void setCaptionColour(QWidget* widget, const QColor& colour)
{
    setRoleEverywhere(widget, QPalette::WindowText, colour);
    setRoleEverywhere(widget, QPalette::ButtonText, colour);
    setRoleEverywhere(widget, QPalette::Text, colour);
}

QColor captionColour(const QWidget* widget)
{
    return widget->palette().color(QPalette::Active, QPalette::WindowText);
}

void setBackgroundColour(QWidget* widget, const QColor& colour)
{
    setRoleEverywhere(widget, QPalette::Base, colour);
}

QColor backgroundColour(const QWidget* widget)
{
    return widget->palette().color(QPalette::Active, QPalette::Base);
}

} // namespace tamsenor
