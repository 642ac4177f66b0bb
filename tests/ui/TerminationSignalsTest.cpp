#include "ui/TerminationSignals.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <csignal>

namespace tamsenor {
namespace {

TEST(TerminationSignalsTest, EachSignalReachesTheEventThread)
{
    for (const int signal : { SIGINT, SIGTERM, SIGHUP, SIGQUIT }) {
        SCOPED_TRACE(signal);
        int calls = 0;
        TerminationSignals caught([&calls] { ++calls; });
        ASSERT_EQ(0, std::raise(signal)); // handled: the test process lives on
        QElapsedTimer waited;
        waited.start();
        while (calls == 0 && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(1, calls);
    }
}

TEST(TerminationSignalsTest, SigpipeIsIgnored)
{
    TerminationSignals caught([] { ADD_FAILURE() << "a closed pipe is no reason to end"; });
    ASSERT_EQ(0, std::raise(SIGPIPE)); // the test process lives on
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// A dialog open when the signal comes is closed as its close box would close
// it, and the window, once closed, ends the program.
TEST(TerminationSignalsTest, OpenDialogsAreClosedAndTheWindowCloses)
{
    QWidget window;
    window.show();
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("save?"),
        QMessageBox::Yes | QMessageBox::No, &window);
    box.open(); // shown without a loop of its own
    ASSERT_TRUE(box.isVisible());

    CloseWithoutAsking(window);
    QElapsedTimer waited;
    waited.start();
    while ((box.isVisible() || window.isVisible()) && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    EXPECT_FALSE(box.isVisible());
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace tamsenor
