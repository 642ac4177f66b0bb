#pragma once

#include "ui/toolkit/PacedCall.h"

#include <QLabel>

namespace tamsenor {

// A one-line label that keeps its whole caption as its text but, when the
// caption is wider than the label, shows it cut in the middle with an
// ellipsis: a long path keeps both its start and its file name and size.
// The whole caption is also its tooltip and what screen readers read.
// Screen readers are told of a new caption at most once a second, so that a
// caption that changes many times a second is announced politely; a caption
// emptied is told at once.
class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr int AnnounceMs = 1000;

    explicit ElidingLabel(QWidget* parent = nullptr);

    // The text as painted for the label's present width.
    QString shownText() const;

    void setCaption(const QString& text);

    // Added to the label's accessible description after ": " (e.g. "file 3
    // of 40"), told with the caption; empty takes it away at once.
    void setNote(const QString& note);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void announce();

    PacedCall announcer_;
    QString told_; // the caption screen readers were last told of
    QString note_;
    QString description_; // the accessible description without the note
    bool described_ = false; // description_ has been taken from the control
};

} // namespace tamsenor
