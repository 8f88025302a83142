// Where the tray popup goes for each taskbar edge, and the taskbar as found
// from a screen's whole and available rectangles.
#include <gtest/gtest.h>

#include "window/popup/PopupPlacement.h"

namespace vantrel {
namespace {

constexpr TRect kScreen{0, 0, 1024, 768};
constexpr TSize kPopup{211, 122};

std::optional<TTaskbarInfo> Bar(TTaskbarEdge edge, TRect rect) {
    return TTaskbarInfo{static_cast<int>(edge), rect};
}

TEST(PopupPlacementTest, EachEdgePutsThePopupBesideTheTaskbar) {
    struct TCase {
        const char* Name;
        std::optional<TTaskbarInfo> Taskbar;
        bool AutoHide;
        TPoint Expected;
        TRect Screen = kScreen;  // the primary screen, in desktop coordinates
    };
    const TCase cases[] = {
        {"query fails", std::nullopt, false, {1024 - 211, 768 - 122}},
        {"query fails, auto-hide", std::nullopt, true, {1024 - 211, 768 - 122}},
        {"left", Bar(TTaskbarEdge::Left, {0, 0, 60, 768}), false, {60, 768 - 122}},
        {"left, auto-hide", Bar(TTaskbarEdge::Left, {0, 0, 60, 768}), true, {2, 768 - 122}},
        {"top", Bar(TTaskbarEdge::Top, {0, 0, 1024, 30}), false, {1024 - 211, 30}},
        {"top, auto-hide", Bar(TTaskbarEdge::Top, {0, 0, 1024, 30}), true, {1024 - 211, 2}},
        {"right", Bar(TTaskbarEdge::Right, {974, 0, 1024, 768}), false, {974 - 211, 768 - 122}},
        {"right, auto-hide",
         Bar(TTaskbarEdge::Right, {974, 0, 1024, 768}),
         true,
         {1024 - 211 - 2, 768 - 122}},
        {"bottom", Bar(TTaskbarEdge::Bottom, {0, 738, 1024, 768}), false, {1024 - 211, 738 - 122}},
        {"bottom, auto-hide",
         Bar(TTaskbarEdge::Bottom, {0, 738, 1024, 768}),
         true,
         {1024 - 211, 768 - 122 - 2}},
        {"unknown edge", TTaskbarInfo{7, {0, 738, 1024, 768}}, false, kPopupDesignedPosition},
        // A primary screen right of another monitor, and one below another.
        {"at 1920,0, bottom",
         Bar(TTaskbarEdge::Bottom, {1920, 738, 2944, 768}),
         false,
         {1920 + 1024 - 211, 738 - 122},
         {1920, 0, 2944, 768}},
        {"at 1920,0, left, auto-hide",
         Bar(TTaskbarEdge::Left, {1920, 0, 1980, 768}),
         true,
         {1920 + 2, 768 - 122},
         {1920, 0, 2944, 768}},
        {"at 0,1080, query fails",
         std::nullopt,
         false,
         {1024 - 211, 1080 + 768 - 122},
         {0, 1080, 1024, 1848}},
        {"at 0,1080, top, auto-hide",
         Bar(TTaskbarEdge::Top, {0, 1080, 1024, 1110}),
         true,
         {1024 - 211, 1080 + 2},
         {0, 1080, 1024, 1848}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(
            PopupPositionNearTray(c.Taskbar, c.AutoHide, c.Screen, kPopup, kPopupDesignedPosition),
            c.Expected);
    }
}

TEST(PopupPlacementTest, TheTaskbarIsWhereTheFreePartIsInset) {
    struct TCase {
        const char* Name;
        TRect Whole;
        TRect Available;
        std::optional<TTaskbarInfo> Expected;
    };
    const TCase cases[] = {
        {"no inset", kScreen, kScreen, std::nullopt},
        {"bottom", kScreen, {0, 0, 1024, 738}, Bar(TTaskbarEdge::Bottom, {0, 738, 1024, 768})},
        {"top", kScreen, {0, 30, 1024, 768}, Bar(TTaskbarEdge::Top, {0, 0, 1024, 30})},
        {"left", kScreen, {60, 0, 1024, 768}, Bar(TTaskbarEdge::Left, {0, 0, 60, 768})},
        {"right", kScreen, {0, 0, 974, 768}, Bar(TTaskbarEdge::Right, {974, 0, 1024, 768})},
        // Two panels: the bottom one counts.
        {"top and bottom",
         kScreen,
         {0, 30, 1024, 738},
         Bar(TTaskbarEdge::Bottom, {0, 738, 1024, 768})},
        {"screen at 1920,0, right",
         {1920, 0, 2944, 768},
         {1920, 0, 2894, 768},
         Bar(TTaskbarEdge::Right, {2894, 0, 2944, 768})},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::optional<TTaskbarInfo> found = TaskbarFromScreen(c.Whole, c.Available);
        ASSERT_EQ(found.has_value(), c.Expected.has_value());
        if (found) {
            EXPECT_EQ(found->Edge, c.Expected->Edge);
            EXPECT_EQ(found->Rect, c.Expected->Rect);
        }
    }
}

}  // namespace
}  // namespace vantrel
