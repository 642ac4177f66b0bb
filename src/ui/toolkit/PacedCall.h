#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace tamsenor {

// Calls an action at most once per interval, however often it is asked for:
// at the next turn of the event loop when the last call is an interval ago or
// more, otherwise once when the interval is over. Screen readers are told of a run's progress this way,
// politely, instead of at every step.
class PacedCall : public QObject {
public:
    PacedCall(int intervalMs, std::function<void()> action, QObject* parent = nullptr);

    // The action is wanted: soon, or at the end of the interval.
    void request();
    // A wanted action is done now, whatever the interval says.
    void flush();

    bool pending() const { return pending_; }

private:
    void run();

    int interval_;
    std::function<void()> action_;
    QElapsedTimer last_;
    QTimer later_;
    bool pending_ = false;
};

} // namespace tamsenor
