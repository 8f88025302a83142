// SIGTERM and SIGHUP reach the GUI thread as signals, and the handlers that
// were there before come back afterwards.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <csignal>

#include "frontend/qt/app/TerminationSignals.h"

namespace vantrel::test {
namespace {

TEST(TerminationSignalsTest, EachSignalArrivesOnceInOrder) {
    TTerminationSignalNotifier notifier;
    QSignalSpy spy(&notifier, &TTerminationSignalNotifier::Terminated);
    ASSERT_EQ(raise(SIGTERM), 0);
    ASSERT_EQ(raise(SIGHUP), 0);
    ASSERT_TRUE(spy.count() == 2 || spy.wait(5000));
    if (spy.count() < 2) {
        ASSERT_TRUE(spy.wait(5000));
    }
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(spy.at(1).at(0).toInt(), SIGHUP);
}

TEST(TerminationSignalsTest, PreviousHandlersReturnAndASecondListenerIsRefused) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    ASSERT_EQ(sigaction(SIGHUP, &ignore, &before), 0);
    {
        TTerminationSignalNotifier notifier;
        EXPECT_THROW(TTerminationSignalNotifier second, std::logic_error);
        struct sigaction during {};
        sigaction(SIGHUP, nullptr, &during);
        EXPECT_NE(during.sa_handler, SIG_IGN);
    }
    struct sigaction after {};
    sigaction(SIGHUP, &before, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    // A listener can be made again once the first has gone.
    EXPECT_NO_THROW(TTerminationSignalNotifier again);
}

}  // namespace
}  // namespace vantrel::test
