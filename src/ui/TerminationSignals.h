#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;
class QWidget;

namespace tamsenor {

// Turns SIGINT, SIGTERM, SIGHUP (the terminal closed) and SIGQUIT (Ctrl-\)
// into a call on the event thread, so that the window can end as if the user
// had closed it: a run going on is cancelled and takes its outputs back
// first, instead of the process dying with files half replaced. SIGPIPE is
// ignored: a reader of the program's output that went away is no reason to
// end it. One instance per process; the signals' default handling comes back
// when it is destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void readSignal();

    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

// Ends the program the way closing `window` does, without waiting for a
// person: every open dialog is closed as its window's close box would
// (Cancel, No), now and as long as the window stays open, `window` is asked
// to close until it has (a run first takes its outputs back), and then the
// event loop quits.
void CloseWithoutAsking(QWidget& window);

} // namespace tamsenor
