#pragma once

#include "ui/toolkit/SystemColours.h"

#include <QCheckBox>

#include <functional>

namespace tamsenor {

// A check box whose click rule runs after every real change of its state,
// whether the user clicked it or the program set it; setting the state it
// already has runs nothing (QAbstractButton::toggled behaves exactly so).
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(const QString& caption, QWidget* parent = nullptr);

    // The rule receives the new state. One rule per box; a new one replaces it.
    void setClickRule(std::function<void(bool checked)> rule);

    // The caption colour as the rules set it. It is looked up in the box's
    // palette at every paint, so it follows a change of theme.
    void setCaptionColour(PaletteColour colour);
    PaletteColour captionColour() const { return captionColour_; }
    // The colour the caption is painted in now (see CaptionColour()).
    QColor paintedCaptionColour() const;

protected:
    // The caption wraps onto further lines when the box is too narrow for it,
    // and a click anywhere on the box toggles it.
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    std::function<void(bool)> rule_;
    PaletteColour captionColour_ = PaletteColour::text();
};

} // namespace tamsenor
