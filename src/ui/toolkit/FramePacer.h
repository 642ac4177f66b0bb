#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

namespace tamsenor {

// Holds a window's painting to the display's pace while it is on: however
// often its controls ask to be painted (update() or repaint()), the window is
// painted and sent to the display at most once a frame. Every request is
// kept; it is only painted with the next frame.
class FramePacer : public QObject {
public:
    explicit FramePacer(QWidget* window);

    // Off paints a held frame at once.
    void setOn(bool on);
    bool isOn() const { return on_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int frameMs() const;
    void releaseHeld();

    QWidget* window_;
    bool on_ = false;
    bool held_ = false;
    QElapsedTimer lastFrame_;
    QTimer next_;
};

} // namespace tamsenor
