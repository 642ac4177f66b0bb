#include "ui/toolkit/AccessibleRoles.h"

#include <QAccessibleWidget>
#include <QFrame>
#include <QLabel>

namespace tamsenor {

namespace {

// A line between controls: nothing to read.
class SeparatorLine : public QAccessibleWidget {
public:
    explicit SeparatorLine(QWidget* line)
        : QAccessibleWidget(line, QAccessible::Separator)
    {
    }
    QString text(QAccessible::Text) const override { return {}; }
};

// A label read as its text, whatever its accessible name (ElidingLabel).
class CaptionLabel : public QAccessibleWidget {
public:
    explicit CaptionLabel(QWidget* label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }
    QString text(QAccessible::Text what) const override
    {
        return what == QAccessible::Name ? static_cast<const QLabel*>(widget())->text() : QAccessibleWidget::text(what);
    }
};

QAccessibleInterface* Roles(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    // Asked for each class of the object from the most derived up: a window
    // reaches QWidget only when nothing more specific answered for it.
    if (className == QLatin1String("QWidget") && widget->isWindow())
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String("tamsenor::ElidingLabel"))
        return new CaptionLabel(widget);
    if (className == QLatin1String("QFrame")) {
        const auto* frame = static_cast<QFrame*>(widget);
        if (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine)
            return new SeparatorLine(widget);
    }
    return nullptr;
}

} // namespace

void InstallAccessibleRoles()
{
    static const bool installed = [] {
        QAccessible::installFactory(Roles);
        return true;
    }();
    (void)installed;
}

} // namespace tamsenor
