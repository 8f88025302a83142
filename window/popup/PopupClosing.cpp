#include "window/popup/PopupClosing.h"

namespace vantrel {

std::optional<TPopupRequest> PopupRequestFor(TPopupPart part, TPopupGesture gesture) {
    const bool click = gesture == TPopupGesture::Click;
    switch (part) {
        case TPopupPart::CloseIcon:
            return click ? std::optional(TPopupRequest::Close) : std::nullopt;
        case TPopupPart::GoLink:
            return click ? std::optional(TPopupRequest::GoAction) : std::nullopt;
        case TPopupPart::Caption:
        case TPopupPart::Text:
        case TPopupPart::Logo:
            return click ? std::nullopt : std::optional(TPopupRequest::DoubleClick);
        case TPopupPart::GoIcon:
            // Only the words are the link: the arrow beside them is a picture.
            return std::nullopt;
    }
    return std::nullopt;
}

TPopupExit PopupExitFor(TPopupLeaving why, bool blending) {
    switch (why) {
        case TPopupLeaving::Replaced:
            // The next popup fades in at the same place from transparent; the
            // old one fading out above it would hide it.
        case TPopupLeaving::Dismissed:
            return TPopupExit::AtOnce;
        case TPopupLeaving::DoubleClick:
            return blending ? TPopupExit::FadeOutThenClose : TPopupExit::AtOnce;
    }
    return TPopupExit::AtOnce;
}

TPopupDoubleClick PopupDoubleClick(bool popupOnScreen, bool blending) {
    // Handled after its popup has gone, a double-click shows nothing either:
    // the window it would show was not asked for by a popup on screen.
    if (!popupOnScreen)
        return {};
    return {PopupExitFor(TPopupLeaving::DoubleClick, blending), true};
}

}  // namespace vantrel
