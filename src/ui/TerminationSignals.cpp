#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tamsenor {

namespace {

constexpr int EndingSignals[] = { SIGINT, SIGTERM, SIGHUP, SIGQUIT };

// The write end is all a signal handler may touch.
int signalPipe[2] = { -1, -1 };

void OnSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    (void)!::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent)
    , onSignal_(std::move(onSignal))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return; // the signals keep their default meaning
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);

    struct sigaction action { };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : EndingSignals)
        ::sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

TerminationSignals::~TerminationSignals()
{
    if (!notifier_)
        return;
    for (const int signal : EndingSignals)
        std::signal(signal, SIG_DFL);
    std::signal(SIGPIPE, SIG_DFL);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void TerminationSignals::readSignal()
{
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) { }
    if (onSignal_)
        onSignal_();
}

namespace {

void closeOpenDialogs()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
}

} // namespace

void CloseWithoutAsking(QWidget& window)
{
    static bool closing = false;
    if (closing)
        return;
    closing = true;
    closeOpenDialogs();
    window.close();
    // A dialog shown by what the close set going (a run's last question)
    // is closed too, until the window is gone.
    auto* timer = new QTimer(QCoreApplication::instance());
    QPointer<QWidget> watched(&window);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, watched] {
        closeOpenDialogs();
        if (watched && watched->isVisible()) {
            watched->close();
            return;
        }
        timer->stop();
        timer->deleteLater();
        closing = false;
        QCoreApplication::quit();
    });
    timer->start(50);
}

} // namespace tamsenor
