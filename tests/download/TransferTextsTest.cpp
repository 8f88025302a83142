// The progress texts and the status names.
#include <gtest/gtest.h>

#include "download/IEDownload.h"
#include "download/TransferTexts.h"

namespace vantrel {
namespace {

TEST(TransferTexts, SpeedIsCutTwoPlacesAfterTheSeparator) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(SpeedText(12.3456, english), QStringLiteral("12.34 kb/sec"));
    EXPECT_EQ(SpeedText(7, english), QStringLiteral("7 kb/sec"));
    EXPECT_EQ(SpeedText(0.5, english), QStringLiteral("0.5 kb/sec"));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(SpeedText(12.3456, german), QStringLiteral("12,34 kb/sec"));
}

TEST(TransferTexts, DurationsReadAsTimesOfDayAndWrap) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(DurationAsTimeOfDay(5LL * 60 * 1000, english), QStringLiteral("12:05:00 AM"));
    EXPECT_EQ(DurationAsTimeOfDay((25LL * 3600 + 1) * 1000, english), QStringLiteral("1:00:01 AM"));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(DurationAsTimeOfDay(3723LL * 1000, german), QStringLiteral("01:02:03"));
}

TEST(TransferTexts, RateAndRemainingTimeFollowTheCounts) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    // 20000 bytes in 2 s: 10 kb/sec; 60000 bytes left take 6 s.
    TTransferTexts texts = MakeTransferTexts(2000, 20000, 80000, english);
    EXPECT_EQ(texts.ElapsedTime, QStringLiteral("12:00:02 AM"));
    EXPECT_EQ(texts.Speed, QStringLiteral("10 kb/sec"));
    EXPECT_EQ(texts.EstimatedTime, QStringLiteral("12:00:06 AM"));
    // Unknown total: no estimate; nothing received yet: no texts.
    EXPECT_EQ(MakeTransferTexts(2000, 20000, 0, english).EstimatedTime, QString());
    texts = MakeTransferTexts(-1, 0, 80000, english);
    EXPECT_TRUE(texts.ElapsedTime.isEmpty() && texts.Speed.isEmpty() &&
                texts.EstimatedTime.isEmpty());
    EXPECT_EQ(MakeTransferTexts(0, 100, 200, english).Speed, QStringLiteral("0 kb/sec"));
    // A count past the announced total leaves nothing to wait for.
    EXPECT_EQ(MakeTransferTexts(1000, 3000, 2000, english).EstimatedTime,
              QStringLiteral("12:00:00 AM"));
}

TEST(TransferTexts, BindStatusNames) {
    EXPECT_EQ(BindStatusText(1), QStringLiteral("Finding resource..."));
    EXPECT_EQ(BindStatusText(5), QStringLiteral("Downloading data..."));
    EXPECT_EQ(BindStatusText(14), QStringLiteral("Cache file name available..."));
    EXPECT_EQ(BindStatusText(0), QStringLiteral("Bindstatus Unknown"));
    EXPECT_EQ(BindStatusText(15), QStringLiteral("Bindstatus Unknown"));
}

}  // namespace
}  // namespace vantrel
