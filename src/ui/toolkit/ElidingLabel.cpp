#include "ui/toolkit/ElidingLabel.h"

#include <QPainter>

namespace tamsenor {

ElidingLabel::ElidingLabel(QWidget* parent)
    : QLabel(parent)
{
}

QString ElidingLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void ElidingLabel::setCaption(const QString& text)
{
    setText(text);
    setToolTip(text);
}

void ElidingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shownText());
}

} // namespace tamsenor
