#include <gtest/gtest.h>

#include <QSignalSpy>

#include "frontend/qt/app/InstanceMessageNotifier.h"
#include "platform/Processes.h"
#include "tests/support/TempDir.h"

namespace vantrel {
namespace {

TEST(InstanceMessageNotifier, ASecondStartsMessageArrivesAsASignal) {
    test::TempDir dir;
    TInstanceMessageNotifier notifier(dir / "endpoint.sock", nullptr);
    QSignalSpy spy(&notifier, &TInstanceMessageNotifier::MessageReceived);
    ASSERT_TRUE(
        platform::PostInstanceMessage(notifier.Endpoint(), {platform::WM_SHOWMAINWINDOW, 0, 0}));
    ASSERT_TRUE(platform::PostInstanceMessage(notifier.Endpoint(), {9, 1, 2}));
    while (spy.count() < 2)
        ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(spy[0][0].toUInt(), 1025u);
    EXPECT_EQ(spy[0][1].toLongLong(), 0);
    EXPECT_EQ(spy[1][0].toUInt(), 9u);
    EXPECT_EQ(spy[1][2].toLongLong(), 2);
}

}  // namespace
}  // namespace vantrel
