#include "ui/toolkit/CheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace tamsenor {

CheckBox::CheckBox(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent)
{
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (rule_)
            rule_(checked);
    });
}

void CheckBox::setClickRule(std::function<void(bool checked)> rule)
{
    rule_ = std::move(rule);
}

void CheckBox::setCaptionColour(PaletteColour colour)
{
    if (colour == captionColour_)
        return;
    captionColour_ = colour;
    update();
}

QColor CheckBox::paintedCaptionColour() const
{
    return CaptionColour(palette(), captionColour_, isEnabled() ? QPalette::Active : QPalette::Disabled);
}

void CheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QString caption = opt.text;
    opt.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, opt);
    opt.text = caption;
    const QRect textRect = style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, this).adjusted(2, 0, 0, 0);
    painter.setPen(paintedCaptionColour());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
}

bool CheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

} // namespace tamsenor
