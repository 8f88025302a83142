// The download component's timers on the Qt loop.
#include <gtest/gtest.h>

#include <QTest>

#include "frontend/qt/platform/Timers.h"

namespace vantrel {
namespace {

TEST(QtTimers, FireOnTheLoopAsTheirKindSays) {
    TQtTimers timers;
    int once = 0, repeated = 0;
    auto single = timers.CreateTimer(TTimerKind::SingleShot, [&] { ++once; });
    auto repeating = timers.CreateTimer(TTimerKind::Repeating, [&] { ++repeated; });
    EXPECT_FALSE(single->Active());
    single->Start(10);
    repeating->Start(10);
    EXPECT_TRUE(single->Active());
    ASSERT_TRUE(QTest::qWaitFor([&] { return repeated >= 3; }, 5000));
    EXPECT_EQ(once, 1);
    EXPECT_FALSE(single->Active());
    repeating->Stop();
    const int stoppedAt = repeated;
    QTest::qWait(50);
    EXPECT_EQ(repeated, stoppedAt);
}

TEST(QtTimers, FreedTimersAndTheirOwnersPostedWorkNeverRun) {
    int fired = 0;
    {
        TQtTimers timers;
        auto timer = timers.CreateTimer(TTimerKind::SingleShot, [&] { ++fired; });
        timer->Start(0);
        timer.reset();
        timers.Post([&] { ++fired; });
    }
    QTest::qWait(20);
    EXPECT_EQ(fired, 0);

    TQtTimers timers;
    bool ran = false;
    timers.Post([&] { ran = true; });
    // Posted work runs later, never inside the call.
    EXPECT_FALSE(ran);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 5000));
}

}  // namespace
}  // namespace vantrel
