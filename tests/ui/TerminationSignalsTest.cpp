#include "ui/TerminationSignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <csignal>

namespace tamsenor {
namespace {

TEST(TerminationSignalsTest, EachSignalReachesTheEventThread)
{
    for (const int signal : { SIGINT, SIGTERM }) {
        SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGTERM");
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

} // namespace
} // namespace tamsenor
