#include "window/popup/PopupFade.h"

#include <algorithm>

namespace vantrel {

TPopupFade::TPopupFade(bool blending)
    : FBlending(blending), FAlpha(blending ? kPopupTransparent : kPopupOpaque) {}

bool TPopupFade::StartIn() {
    if (!FBlending)
        return false;
    FDirection = TDirection::In;
    return true;
}

bool TPopupFade::StartOut(bool closeAfterFade) {
    if (!FBlending)
        return false;
    FDirection = TDirection::Out;
    FCloseAfterFade = closeAfterFade;
    return true;
}

void TPopupFade::Stop() {
    FDirection = TDirection::None;
}

TFadeTick TPopupFade::Tick() {
    switch (FDirection) {
        case TDirection::In:
            return TickIn();
        case TDirection::Out:
            return TickOut();
        case TDirection::None:
            break;
    }
    return {false, true, false};
}

// The tick that finds the end only stops the timer, so a fade takes one
// tick more than it has steps.
TFadeTick TPopupFade::TickIn() {
    if (FAlpha >= kPopupOpaque) {
        FDirection = TDirection::None;
        return {false, true, false};
    }
    FAlpha = std::min(FAlpha + kPopupFadeStep, kPopupOpaque);
    return {true, false, false};
}

TFadeTick TPopupFade::TickOut() {
    if (FAlpha > kPopupTransparent) {
        FAlpha = std::max(FAlpha - kPopupFadeStep, kPopupTransparent);
        return {true, false, false};
    }
    FDirection = TDirection::None;
    return {false, true, FCloseAfterFade};
}

}  // namespace vantrel
