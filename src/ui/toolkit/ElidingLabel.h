#pragma once

#include <QLabel>

namespace tamsenor {

// A one-line label that keeps its whole caption as its text but, when the
// caption is wider than the label, shows it cut in the middle with an
// ellipsis: a long path keeps both its start and its file name and size.
// The whole caption is also its tooltip and what screen readers read.
class ElidingLabel : public QLabel {
public:
    explicit ElidingLabel(QWidget* parent = nullptr);

    // The text as painted for the label's present width.
    QString shownText() const;

    void setCaption(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tamsenor
