// The popup's fades: it blends in from transparent to opaque when it shows
// and out again when it goes, one alpha step per timer tick. Where windows
// do not blend it is opaque from the start and never fades.
#pragma once

namespace vantrel {

// One alpha step per tick, every 10 ms: a whole fade takes some 2.5 s.
inline constexpr int kPopupFadeIntervalMs = 10;
inline constexpr int kPopupFadeStep = 1;
inline constexpr int kPopupTransparent = 0;
inline constexpr int kPopupOpaque = 255;

// What the window does after one tick of its fade timer.
struct TFadeTick {
    bool AlphaChanged = false;  // show Alpha() now
    bool StopTimer = false;     // the fade has ended: no further ticks
    bool Close = false;         // a fade out that was to close the popup ended
};

class TPopupFade {
public:
    // `blending`: whether the window system blends windows at all.
    explicit TPopupFade(bool blending);

    bool Blending() const { return FBlending; }
    // The blend value, kPopupTransparent to kPopupOpaque.
    int Alpha() const { return FAlpha; }
    // Whether the popup closes once a fade out reaches transparent.
    bool CloseAfterFade() const { return FCloseAfterFade; }

    // Start fading in or out from the alpha reached so far, replacing any
    // fade under way. False without blending: there is nothing to run, and
    // the timer is not to start.
    bool StartIn();
    bool StartOut(bool closeAfterFade);
    // One tick of the timer.
    TFadeTick Tick();
    // Ends the fade where it stands (the popup is closed by hand): a tick
    // that still comes changes nothing.
    void Stop();

private:
    enum class TDirection { None, In, Out };

    TFadeTick TickIn();
    TFadeTick TickOut();

    bool FBlending;
    int FAlpha;
    bool FCloseAfterFade = false;
    TDirection FDirection = TDirection::None;
};

}  // namespace vantrel
