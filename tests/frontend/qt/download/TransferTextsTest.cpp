// The progress texts in the user's locale as Qt describes it: the core
// formats them (tests/window/download), the front end supplies the time
// format and the separator.
#include <gtest/gtest.h>

#include "frontend/qt/download/IEDownload.h"

namespace vantrel {
namespace {

TEST(QtTransferLocale, TimesOfDayAndSeparatorFollowTheLocale) {
    const TTransferLocale english =
        QtTransferLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    // The long format without its time zone: a duration has none.
    EXPECT_EQ(DurationAsTimeOfDay(5LL * 60 * 1000, english), "12:05:00 AM");
    EXPECT_EQ(DurationAsTimeOfDay((25LL * 3600 + 1) * 1000, english), "1:00:01 AM");
    EXPECT_EQ(SpeedText(12.3456, english), "12.34 kb/sec");
    const TTransferLocale german = QtTransferLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(DurationAsTimeOfDay(3723LL * 1000, german), "01:02:03");
    EXPECT_EQ(SpeedText(12.3456, german), "12,34 kb/sec");
}

}  // namespace
}  // namespace vantrel
