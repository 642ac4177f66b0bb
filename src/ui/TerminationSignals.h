#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace tamsenor {

// Turns SIGINT and SIGTERM into a call on the event thread, so that the
// window can end as if the user had closed it: a run going on is cancelled
// and takes its outputs back first, instead of the process dying with files
// half replaced. One instance per process; the signals' default handling
// comes back when it is destroyed.
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

} // namespace tamsenor
