// What each click on the popup asks for, and how the popup leaves.
#include <gtest/gtest.h>

#include "window/popup/PopupClosing.h"

namespace vantrel {
namespace {

TEST(PopupClosingTest, EachPartAnswersItsOwnGesture) {
    using G = TPopupGesture;
    struct TCase {
        TPopupPart Part;
        TPopupGesture Gesture;
        std::optional<TPopupRequest> Expected;
    };
    const TCase cases[] = {
        {TPopupPart::CloseIcon, G::Click, TPopupRequest::Close},
        {TPopupPart::CloseIcon, G::DoubleClick, std::nullopt},
        {TPopupPart::GoLink, G::Click, TPopupRequest::GoAction},
        {TPopupPart::GoIcon, G::Click, std::nullopt},
        {TPopupPart::GoIcon, G::DoubleClick, std::nullopt},
        {TPopupPart::Caption, G::DoubleClick, TPopupRequest::DoubleClick},
        {TPopupPart::Text, G::DoubleClick, TPopupRequest::DoubleClick},
        {TPopupPart::Logo, G::DoubleClick, TPopupRequest::DoubleClick},
        {TPopupPart::Text, G::Click, std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Part) * 10 + static_cast<int>(c.Gesture));
        EXPECT_EQ(PopupRequestFor(c.Part, c.Gesture), c.Expected);
    }
}

TEST(PopupClosingTest, OnlyADoubleClickFadesThePopupOutAndOnlyWhereWindowsBlend) {
    EXPECT_EQ(PopupExitFor(TPopupLeaving::Replaced, true), TPopupExit::AtOnce);
    EXPECT_EQ(PopupExitFor(TPopupLeaving::Dismissed, true), TPopupExit::AtOnce);
    EXPECT_EQ(PopupExitFor(TPopupLeaving::DoubleClick, true), TPopupExit::FadeOutThenClose);
    EXPECT_EQ(PopupExitFor(TPopupLeaving::DoubleClick, false), TPopupExit::AtOnce);
}

TEST(PopupClosingTest, ADoubleClickShowsTheMainWindowOnlyWhileAPopupIsOnScreen) {
    const TPopupDoubleClick shown = PopupDoubleClick(true, true);
    EXPECT_EQ(shown.Exit, TPopupExit::FadeOutThenClose);
    EXPECT_TRUE(shown.ShowMainWindow);
    const TPopupDoubleClick gone = PopupDoubleClick(false, true);
    EXPECT_FALSE(gone.Exit);
    EXPECT_FALSE(gone.ShowMainWindow);
}

}  // namespace
}  // namespace vantrel
