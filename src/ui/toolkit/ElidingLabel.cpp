#include "ui/toolkit/ElidingLabel.h"

#include "ui/toolkit/AccessibleRoles.h"

#include <QAccessible>
#include <QPainter>

namespace tamsenor {

ElidingLabel::ElidingLabel(QWidget* parent)
    : QLabel(parent)
    , announcer_(
          AnnounceMs, [this] { announce(); }, this)
{
    // Screen readers read the caption itself (see AccessibleRoles). QLabel
    // tells them of every new text unless it has an accessible name of its
    // own; this one is never read and only keeps QLabel quiet.
    InstallAccessibleRoles();
    setAccessibleName(QStringLiteral("caption"));
}

QString ElidingLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void ElidingLabel::setCaption(const QString& text)
{
    if (text == this->text())
        return;
    setText(text);
    setToolTip(text);
    announcer_.request();
    if (text.isEmpty())
        announcer_.flush();
}

void ElidingLabel::setNote(const QString& note)
{
    if (!described_) {
        description_ = accessibleDescription();
        described_ = true;
    }
    if (note == note_)
        return;
    note_ = note;
    announcer_.request();
    if (note_.isEmpty())
        announcer_.flush();
}

void ElidingLabel::announce()
{
    if (told_ != text()) {
        told_ = text();
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    if (described_) {
        const QString description = note_.isEmpty() ? description_ : description_ + QStringLiteral(": ") + note_;
        if (description != accessibleDescription())
            setAccessibleDescription(description);
    }
}

void ElidingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shownText());
}

} // namespace tamsenor
