// The popup's fades, tick by tick, as its timer runs them.
#include <gtest/gtest.h>

#include "window/popup/PopupFade.h"

namespace vantrel {
namespace {

// Ticks until one stops the timer; that tick counts too.
int TicksToEnd(TPopupFade& fade, TFadeTick* last = nullptr) {
    for (int ticks = 1; ticks <= 1000; ++ticks) {
        const TFadeTick tick = fade.Tick();
        if (tick.StopTimer) {
            if (last != nullptr)
                *last = tick;
            return ticks;
        }
    }
    return -1;
}

TEST(PopupFadeTest, FadesInToOpaqueAndOutAgainOneStepATick) {
    TPopupFade fade(true);
    EXPECT_EQ(fade.Alpha(), 0);
    ASSERT_TRUE(fade.StartIn());
    const TFadeTick first = fade.Tick();
    EXPECT_TRUE(first.AlphaChanged);
    EXPECT_EQ(fade.Alpha(), 1);
    EXPECT_EQ(TicksToEnd(fade), 255);  // 254 raises more, then the tick that stops
    EXPECT_EQ(fade.Alpha(), 255);

    TFadeTick last;
    ASSERT_TRUE(fade.StartOut(true));
    EXPECT_EQ(TicksToEnd(fade, &last), 256);  // 255 lowerings, then the one that closes
    EXPECT_EQ(fade.Alpha(), 0);
    EXPECT_TRUE(last.Close);
}

TEST(PopupFadeTest, AFadeEndsAsItWasStarted) {
    struct TCase {
        const char* Name;
        bool CloseAfterFade;
    };
    for (const TCase& c : {TCase{"keep", false}, TCase{"close", true}}) {
        SCOPED_TRACE(c.Name);
        TPopupFade fade(true);
        fade.StartIn();
        for (int i = 0; i < 3; ++i)
            fade.Tick();
        // A fade out that replaces a fade in starts from the alpha reached.
        fade.StartOut(c.CloseAfterFade);
        TFadeTick last;
        EXPECT_EQ(TicksToEnd(fade, &last), 4);
        EXPECT_EQ(last.Close, c.CloseAfterFade);
        EXPECT_EQ(fade.Alpha(), 0);
    }
}

TEST(PopupFadeTest, WithoutBlendingThePopupIsOpaqueAndNeverFades) {
    TPopupFade fade(false);
    EXPECT_EQ(fade.Alpha(), 255);
    EXPECT_FALSE(fade.StartIn());
    EXPECT_FALSE(fade.StartOut(true));
    EXPECT_FALSE(fade.CloseAfterFade());
}

TEST(PopupFadeTest, AStoppedFadeChangesNothingMore) {
    TPopupFade fade(true);
    fade.StartOut(true);
    fade.Stop();
    const TFadeTick tick = fade.Tick();
    EXPECT_FALSE(tick.AlphaChanged);
    EXPECT_TRUE(tick.StopTimer);
    EXPECT_FALSE(tick.Close);  // the popup was closed by hand already
}

}  // namespace
}  // namespace vantrel
