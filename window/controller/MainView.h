// What the main window's controller asks of a front end. The controller
// decides every text, every command and every state; a view only shows what
// it is told and reports clicks back (TMainController's handlers). Each
// front end implements this once: Qt widgets today, Win32 next.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/PopupRecords.h"
#include "window/controller/InformationSections.h"

namespace vantrel {

// What a click on a re-pointed control runs, as the current state set it.
enum class TMainAction {
    None,      // nothing (the command button before any state showed it)
    Download,  // DownloadClick: start or resume the download
    Pause,     // PauseClick
    Install,   // InstallClick: hand the package to the installer
    Close,     // CloseClick: end the program
    Hide,      // btnHideClick: into the tray, or to the taskbar without one
};

// The progress bar as a state shows it.
struct TProgressView {
    bool Visible = false;
    std::int32_t Position = 0;
    std::int32_t Max = 100;
    // The bar's box reads "Paused" instead of the percentage.
    bool Paused = false;
    bool operator==(const TProgressView&) const = default;
};

class TMainView {
public:
    virtual ~TMainView() = default;

    // The product's title and the installed version's line, and the mode
    // list's selection (-1: none), shown once at start.
    virtual void ShowProduct(const std::u16string& title, const std::u16string& currentVersion) = 0;
    virtual void SelectUpdateMode(int index) = 0;
    // The information panel's elements, then the product's logo and the
    // web-site globe.
    virtual void ShowInformation(const std::vector<TInformationElement>& elements) = 0;

    // The command button (btnCommand), shown with `text`; a click runs `action`.
    virtual void SetCommand(const std::u16string& text, TMainAction action) = 0;
    // The link under the versions (lbCommandLabel); hidden by HideCommandLabel.
    virtual void SetCommandLabel(const std::u16string& text, TMainAction action) = 0;
    virtual void HideCommandLabel() = 0;
    // The right-hand button (btnHide).
    virtual void SetHideButton(const std::u16string& text, TMainAction action) = 0;
    // The line under the installed version (lbNewVersion).
    virtual void SetNewVersionText(const std::u16string& text) = 0;
    virtual void ShowProgress(const TProgressView& progress) = 0;
    // Without a command the header needs less room: the panel takes it.
    virtual void UseCompactLayout() = 0;

    virtual void SetCaption(const std::u16string& caption) = 0;
    // The tray icon's hint, at most kTrayHintMax characters.
    virtual void SetTrayHint(const std::u16string& hint) = 0;
    // Replaces any popup by one showing `record` (templates, translated and
    // expanded through the controller's Expanded); its link runs `action`.
    virtual void ShowPopup(const TPopupInfoRec& record, TMainAction action) = 0;
    virtual void ClosePopup() = 0;
    virtual bool PopupShown() const = 0;

    // A message box with "OK" that waits for the user. The front end's loop
    // runs meanwhile, so the controller may be called again before it returns.
    virtual void ShowMessage(const std::u16string& message) = 0;
    // Runs `deferred` from the front end's loop once the current event has
    // returned, unless the window is gone by then.
    virtual void Post(std::function<void()> deferred) = 0;
    // Handles the events already queued (clicks, the transfer's events)
    // before returning: the controller is re-entered from here.
    virtual void PumpEvents() = 0;

    // Whether the desktop has a notification area now (a panel may come and go).
    virtual bool TrayAvailable() const = 0;
    virtual bool WindowVisible() const = 0;
    // Shown, raised and activated, restored when minimised.
    virtual void ShowWindow() = 0;
    // Hidden into the tray.
    virtual void HideWindow() = 0;
    // Minimised to the taskbar (the way back where no tray exists).
    virtual void MinimizeWindow() = 0;
    // Asks the window to close: the front end asks FormCloseQuery, and on
    // consent closes and reports WindowClosed.
    virtual void CloseWindow() = 0;
};

}  // namespace vantrel
