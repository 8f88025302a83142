// The main window's controller against a view that records what it is told
// and services that the test scripts: no toolkit, no event loop. The test
// plays the loop: Post()ed work runs when the test says, and PumpEvents runs
// the "events already queued" that a test puts in place first, which is
// where the re-entrant cases come from. The download component is scripted
// too (each start is one request until the test reports its end); the real
// component and its Qt loop are tested in the Qt front end's tests.
#include "window/controller/MainController.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ProductVersion.h"
#include "core/SourceTexts.h"
#include "core/UpdateState.h"
#include "core/iProcs.h"
#include "window/download/UrlBinding.h"

namespace vantrel {
namespace {

const std::uint32_t kInstalled = PackVersion(4, 0, 0, 1);
const std::uint32_t kOffered = PackVersion(4, 0, 0, 2);

class TRecordingView : public TMainView {
public:
    TMainController* Controller = nullptr;

    std::u16string Title, CurrentVersion, NewVersion, Caption, Hint;
    int Mode = -2;
    std::u16string Command;
    TMainAction CommandAction = TMainAction::None;
    bool CommandShown = false;
    std::u16string Label;
    bool LabelShown = false;
    std::u16string HideText = u"Hide";
    TProgressView Progress;
    bool Compact = false;
    const TPopupInfoRec* Popup = nullptr;
    TMainAction PopupAction = TMainAction::None;
    std::vector<std::u16string> Messages;
    std::vector<TInformationElement> Information;
    bool Tray = true, Visible = false, Minimized = false, Closed = false;
    std::deque<std::function<void()>> Posted;
    // Run by the next PumpEvents (or by RunLoop): what the user did meanwhile.
    std::deque<std::function<void()>> Queued;
    // Runs while a message box is open.
    std::function<void()> WhileMessage;

    void RunLoop() {
        while (!Queued.empty() || !Posted.empty()) {
            auto& from = Queued.empty() ? Posted : Queued;
            auto next = std::move(from.front());
            from.pop_front();
            next();
        }
    }

    void ShowProduct(const std::u16string& title, const std::u16string& current) override {
        Title = title;
        CurrentVersion = current;
    }
    void SelectUpdateMode(int index) override { Mode = index; }
    void ShowInformation(const std::vector<TInformationElement>& elements) override {
        Information = elements;
    }
    void SetCommand(const std::u16string& text, TMainAction action) override {
        Command = text;
        CommandAction = action;
        CommandShown = true;
    }
    void SetCommandLabel(const std::u16string& text, TMainAction) override {
        Label = text;
        LabelShown = true;
    }
    void HideCommandLabel() override { LabelShown = false; }
    void SetHideButton(const std::u16string& text, TMainAction) override { HideText = text; }
    void SetNewVersionText(const std::u16string& text) override { NewVersion = text; }
    void ShowProgress(const TProgressView& progress) override { Progress = progress; }
    void UseCompactLayout() override { Compact = true; }
    void SetCaption(const std::u16string& caption) override { Caption = caption; }
    void SetTrayHint(const std::u16string& hint) override { Hint = hint; }
    void ShowPopup(const TPopupInfoRec& record, TMainAction action) override {
        Popup = &record;
        PopupAction = action;
    }
    void ClosePopup() override { Popup = nullptr; }
    bool PopupShown() const override { return Popup != nullptr; }
    void ShowMessage(const std::u16string& message) override {
        Messages.push_back(message);
        if (auto during = std::exchange(WhileMessage, nullptr))
            during();
    }
    void Post(std::function<void()> deferred) override { Posted.push_back(std::move(deferred)); }
    void PumpEvents() override {
        while (!Queued.empty()) {
            auto next = std::move(Queued.front());
            Queued.pop_front();
            next();
        }
    }
    bool TrayAvailable() const override { return Tray; }
    bool WindowVisible() const override { return Visible; }
    void ShowWindow() override { Visible = true, Minimized = false; }
    void HideWindow() override { Visible = false; }
    void MinimizeWindow() override { Visible = true, Minimized = true; }
    void CloseWindow() override {
        if (Controller->FormCloseQuery()) {
            Closed = true;
            Controller->WindowClosed();
        }
    }
};

class TScriptedServices : public TMainServices {
public:
    std::map<std::string, std::u16string, std::less<>> Dictionary;
    std::size_t Requests = 0;
    std::vector<std::string> Started;
    int Cancels = 0, Saves = 0, Notices = 0;
    std::string RefusedURL;
    bool Wanted = false;
    std::function<void(const TSignatureFetchResult&)> Fetch;
    TVerifyOutcome Outcome = TVerifyOutcome::Verified;
    std::optional<std::string> Kept;
    TInstallResult Install{true, u"", true};
    std::vector<bool> Removed;  // includingFinal, per removal
    int Installs = 0;

    std::u16string Translation(std::string_view english) override {
        const auto found = Dictionary.find(english);
        return found != Dictionary.end() ? found->second : Utf8Text(english);
    }
    void StartTransfer(const std::string&, const std::string& file) override {
        ++Requests;
        Started.push_back(file);
    }
    void CancelTransfer() override { ++Cancels; }
    std::size_t TransferRequests() const override { return Requests; }
    void CheckPackageURL(const std::string& url) override {
        if (url == RefusedURL)
            throw std::runtime_error("not a web address: " + url);
    }
    bool VerificationWanted() override { return Wanted; }
    void FetchSignature(const std::string&,
                        std::function<void(const TSignatureFetchResult&)> done) override {
        Fetch = std::move(done);
    }
    void CancelSignatureFetch() override { Fetch = nullptr; }
    bool SignatureFetchRunning() const override { return static_cast<bool>(Fetch); }
    TVerification VerifyPackage(const std::string&, const std::string&, bool) override {
        return {Outcome, Outcome == TVerifyOutcome::Verified ? u"" : u"does not verify"};
    }
    TVerification SignatureUnavailable(const std::string&, bool) override {
        return {TVerifyOutcome::Unavailable, u"no signature"};
    }
    std::optional<std::string> KeptSignature(const std::string&) override { return Kept; }
    void RemovePackageFiles(const std::string&, bool includingFinal) override {
        Removed.push_back(includingFinal);
    }
    TInstallResult RunInstaller(const std::string&) override {
        ++Installs;
        return Install;
    }
    void NotifyDownloadComplete() override { ++Notices; }
    void SaveState() override { ++Saves; }
    void OpenURL(const std::string&) override {}
};

// A controller with its own view and services, for the rows of a table.
struct TWindow {
    TRecordingView View;
    TScriptedServices Services;
    TMainController Controller{View, Services};
    TWindow() { View.Controller = &Controller; }
};

class MainControllerTest : public ::testing::Test {
protected:
    MainControllerTest() {
        InstalledProduct = {true, kInstalled, "kvoutlook.dll"};
        AvailableProduct = {true, kOffered, "setup.bin"};
        ProjectInfo = TProjectInfo();
        ProjectInfo.ProductTitle = "Orbisk";
        ProjectInfo.DownloadURL = "http://server/fast";
        UpdateState = TUpdateState();
        UpdateState.Mode = ModeWeekly;
        View.Controller = &Controller;
    }

    void Start() { Controller.Start("/cache/vantrel", ""); }
    // The component reports the end of its one request.
    void End(platform::HRESULT result, std::uint32_t responseCode = 200) {
        ASSERT_GT(Services.Requests, 0u);
        --Services.Requests;
        Controller.TransferComplete({result, responseCode, std::nullopt, std::nullopt});
    }
    void Progress(std::uint32_t position, std::uint32_t total) {
        Controller.TransferProgress(position, total, platform::BINDSTATUS_DOWNLOADINGDATA);
    }

    TRecordingView View;
    TScriptedServices Services;
    TMainController Controller{View, Services};
};

// ---- What each start shows -------------------------------------------------

TEST_F(MainControllerTest, EachStartShowsItsState) {
    struct TRow {
        const char* Name;
        bool Found;
        std::uint32_t Offered;
        std::uint8_t Status;
        std::u16string NewVersion, Command, Hint;
        TMainAction Action;
        const TPopupInfoRec* Popup;
        bool Compact;
        std::size_t Requests;
        int Notices;
    };
    const TRow rows[] = {
        {"no offered record", false, kOffered, StatusNone, u"", u"", u"Vantrel", TMainAction::None,
         nullptr, false, 0, 0},
        {"up to date", true, kInstalled, StatusDownloaded, u"Your product is up to date!", u"",
         u"Vantrel\r\nOrbisk is up to date.", TMainAction::None, nullptr, true, 0, 0},
        {"offered", true, kOffered, StatusNone, u"New version: 4.0.0.2", u"Start download",
         u"Vantrel\r\nNew version of Orbisk is available to download!", TMainAction::Download,
         &PopupNewVersionAvailable, false, 0, 0},
        {"interrupted download resumes without a popup", true, kOffered, StatusDownloading,
         u"New version: 4.0.0.2", u"Pause",
         u"Vantrel\r\nOrbisk\r\nDownloading version 4.0.0.2\r\nDownloaded 0%", TMainAction::Pause,
         nullptr, false, 1, 0},
        {"downloaded notifies again", true, kOffered, StatusDownloaded,
         u"New version downloaded successfully!", u"Start installation",
         u"Vantrel\r\nOrbisk\r\nReady to install version 4.0.0.2", TMainAction::Install,
         &PopupNewVersionDownloaded, false, 0, 1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TWindow window;
        auto& [view, services, controller] = window;
        AvailableProduct = {row.Found, row.Offered, "setup.bin"};
        UpdateState.Status = row.Status;
        controller.Start("/cache/vantrel", "");
        EXPECT_EQ(view.CurrentVersion, u"Current version: 4.0.0.1");
        EXPECT_EQ(view.Mode, ModeWeekly);
        EXPECT_EQ(view.NewVersion, row.NewVersion);
        EXPECT_EQ(view.Command, row.Command);
        EXPECT_EQ(controller.btnCommandOnClick(), row.Action);
        EXPECT_EQ(controller.TrayHint(), row.Hint);
        EXPECT_EQ(view.Popup, row.Popup);
        EXPECT_EQ(view.Compact, row.Compact);
        EXPECT_EQ(controller.btnHideOnClick(),
                  row.Compact ? TMainAction::Close : TMainAction::Hide);
        EXPECT_EQ(services.Requests, row.Requests);
        EXPECT_EQ(services.Notices, row.Notices);
    }
}

TEST_F(MainControllerTest, APartialFileOfAnOlderOfferIsDiscardedAndTheOfferShown) {
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = kInstalled;
    Start();
    EXPECT_EQ(Services.Removed, std::vector<bool>{false});
    EXPECT_EQ(UpdateState.Status, StatusNone);
    EXPECT_EQ(View.Command, u"Start download");
}

TEST_F(MainControllerTest, AStoredModeBeyondTheListSelectsNothingUntilChosen) {
    UpdateState.Mode = 7;
    Start();
    EXPECT_EQ(View.Mode, -1);
    EXPECT_EQ(UpdateState.Mode, 7);
    Controller.UpdateModeChosen(ModeDaily);
    EXPECT_EQ(UpdateState.Mode, ModeDaily);
}

// ---- The transfer -----------------------------------------------------------

TEST_F(MainControllerTest, DownloadPauseAndResumeKeepOneTransferAtATime) {
    Start();
    Controller.Run(View.PopupAction);  // the popup's link
    EXPECT_EQ(View.Popup, nullptr);
    EXPECT_EQ(UpdateState.Status, StatusDownloading);
    EXPECT_EQ(UpdateState.DownloadingVersion, kOffered);
    EXPECT_EQ(Services.Removed, std::vector<bool>{false});  // a fresh download starts anew
    Progress(420, 1000);
    EXPECT_EQ(View.Caption, u"Vantrel - Downloading 42%");
    EXPECT_EQ(View.Progress, (TProgressView{true, 420, 1000, false}));

    Controller.Run(Controller.btnCommandOnClick());  // Pause
    EXPECT_EQ(View.Command, u"Resume");
    EXPECT_TRUE(View.Progress.Paused);
    EXPECT_FALSE(Controller.TransferIdle());  // the cancelled end is still to come
    EXPECT_EQ(View.Hint, u"Vantrel\r\nOrbisk\r\nDownloading version 4.0.0.2\r\nPaused (42%)");
    Controller.Run(Controller.btnCommandOnClick());  // Resume, before that end
    EXPECT_TRUE(Controller.ResumePending());
    EXPECT_EQ(Services.Started.size(), 1u);

    End(platform::E_ABORT, 206);
    View.RunLoop();
    EXPECT_EQ(Services.Started.size(), 2u);
    EXPECT_EQ(Services.Started[1], "/cache/vantrel/setup.bin.tmp");
    End(platform::S_OK);
    EXPECT_EQ(UpdateState.Status, StatusDownloaded);
    EXPECT_EQ(View.Command, u"Start installation");
    EXPECT_FALSE(View.Progress.Visible);
    EXPECT_EQ(Services.Notices, 1);
}

// A click already queued when the pause pumps the loop runs inside it, as
// "Resume": it waits for the cancelled end like any other.
TEST_F(MainControllerTest, AClickDuringThePauseIsHeldUntilTheCancelledEnd) {
    UpdateState.Status = StatusDownloading;
    Start();
    View.Queued.push_back([this] { Controller.Run(Controller.btnCommandOnClick()); });
    Controller.PauseClick();
    EXPECT_TRUE(Controller.ResumePending());
    EXPECT_EQ(View.Command, u"Pause");
    EXPECT_EQ(Services.Started.size(), 1u);
    End(platform::E_ABORT, 206);
    View.RunLoop();
    EXPECT_EQ(Services.Started.size(), 2u);
    EXPECT_FALSE(Controller.ResumePending());
}

// A failed end pauses. A resume clicked while that pause handles the queue,
// or one asked for before the end came, must still start, or the button
// reads "Pause" with nothing running.
TEST_F(MainControllerTest, AResumeIsNotLostToAFailedEnd) {
    for (const bool beforeTheEnd : {false, true}) {
        SCOPED_TRACE(beforeTheEnd ? "asked for before the end" : "clicked while it is handled");
        TWindow window;
        auto& [view, services, controller] = window;
        UpdateState.Status = StatusDownloading;
        controller.Start("/cache/vantrel", "");
        const auto click = [&] { controller.Run(controller.btnCommandOnClick()); };
        if (beforeTheEnd) {
            click();  // Pause
            click();  // Resume, held back
        } else {
            view.Queued.push_back(click);
        }
        --services.Requests;
        controller.TransferComplete(
            {platform::INET_E_RESOURCE_NOT_FOUND, 404, std::nullopt, std::nullopt});
        EXPECT_TRUE(view.Messages.empty());  // a failing server pauses without a word
        view.RunLoop();
        EXPECT_EQ(services.Started.size(), 2u);
        EXPECT_EQ(view.Command, u"Pause");
    }
}

TEST_F(MainControllerTest, ACloseDuringATransferWaitsForItsEnd) {
    UpdateState.Status = StatusDownloading;
    Start();
    Controller.CloseClick();
    EXPECT_FALSE(View.Closed);
    EXPECT_TRUE(Controller.CloseRequested());
    EXPECT_EQ(Services.Cancels, 1);
    End(platform::E_ABORT, 206);
    EXPECT_TRUE(View.Closed);
    EXPECT_EQ(UpdateState.Status, StatusDownloading);
}

TEST_F(MainControllerTest, ARefusedAddressPausesWithAMessageAndNothingToWaitFor) {
    ProjectInfo.DownloadURL = "file:///etc";
    Services.RefusedURL = "file:///etc/setup.bin";
    Start();
    Controller.DownloadClick();
    ASSERT_EQ(View.Messages.size(), 1u);
    EXPECT_EQ(View.Command, u"Resume");
    EXPECT_EQ(View.Caption, u"Vantrel - Paused");
    EXPECT_TRUE(Controller.TransferIdle());
    Controller.CloseClick();
    EXPECT_TRUE(View.Closed);
}

TEST_F(MainControllerTest, AFileThatCannotBeWrittenPausesAndSaysWhy) {
    struct TRow {
        int Error;  // what the write failed with
        std::u16string Reason;
    };
    const TRow rows[] = {
        {ENOSPC, u"The disk is full."},
        {EFBIG, u"The disk is full."},
        {EROFS, u"The folder cannot be written to."},
        {EACCES, u"The folder cannot be written to."},
        {EIO, u"The file could not be written."},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Error);
        TWindow window;
        auto& [view, services, controller] = window;
        UpdateState.Status = StatusDownloading;
        controller.Start("/cache/vantrel", "");
        --services.Requests;
        controller.TransferComplete(
            {platform::STG_E_CANTSAVE, 200, std::nullopt, cache::ClassifyWriteFailure(row.Error)});
        EXPECT_TRUE(view.Messages.empty());  // not inside the component's event
        view.RunLoop();
        ASSERT_EQ(view.Messages.size(), 1u);
        EXPECT_NE(view.Messages[0].find(u"/cache/vantrel/"), std::u16string::npos);
        EXPECT_NE(view.Messages[0].find(row.Reason), std::u16string::npos);
        EXPECT_EQ(view.Caption, u"Vantrel - Paused");
    }
}

// ---- The signature check ------------------------------------------------------

TEST_F(MainControllerTest, TheCheckAfterTheTransferDecidesWhatTheWindowShows) {
    struct TRow {
        const char* Name;
        std::optional<TVerifyOutcome> Outcome;  // none: the signature could not be had
        std::uint8_t Status;
        std::u16string Command;
        std::vector<bool> Removed;
    };
    const TRow rows[] = {
        {"verified", TVerifyOutcome::Verified, StatusDownloaded, u"Start installation", {}},
        {"unavailable keeps the file", std::nullopt, StatusDownloading, u"Resume", {}},
        {"rejected offers again", TVerifyOutcome::Rejected, StatusNone, u"Start download", {true}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TWindow window;
        auto& [view, services, controller] = window;
        services.Wanted = true;
        UpdateState.Status = StatusDownloading;
        controller.Start("/cache/vantrel", "");
        --services.Requests;
        controller.TransferComplete({platform::S_OK, 200, 1000, std::nullopt});
        EXPECT_TRUE(controller.VerifyPending());
        controller.PauseClick();  // as the transfer ends: nothing left to pause
        EXPECT_EQ(view.Command, u"Pause");
        view.RunLoop();
        ASSERT_TRUE(services.Fetch);
        services.Outcome = row.Outcome.value_or(TVerifyOutcome::Verified);
        auto fetched = std::exchange(services.Fetch, nullptr);
        fetched(row.Outcome ? TSignatureFetchResult{"sig", ""}
                            : TSignatureFetchResult{std::nullopt, "404"});
        EXPECT_FALSE(controller.VerifyPending());
        EXPECT_EQ(UpdateState.Status, row.Status);
        EXPECT_EQ(view.Command, row.Command);
        EXPECT_EQ(services.Removed, row.Removed);
        EXPECT_EQ(view.Messages.size(), row.Outcome == TVerifyOutcome::Verified ? 0u : 1u);
        controller.CloseClick();
        EXPECT_TRUE(view.Closed);
    }
}

// ---- The hand-over ---------------------------------------------------------------

TEST_F(MainControllerTest, TheHandOverEndsTheProgramOrKeepsWhatIsLeft) {
    struct TRow {
        const char* Name;
        TInstallResult Result;
        bool Closed;
        std::uint8_t Status;
        std::u16string Command;
    };
    const TRow rows[] = {
        {"started", {true, u"", true}, true, StatusNone, u"Start installation"},
        {"open failed, package kept",
         {false, u"could not be opened", true},
         false,
         StatusDownloaded,
         u"Start installation"},
        {"no package", {false, u"is missing", false}, false, StatusNone, u"Start download"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TWindow window;
        auto& [view, services, controller] = window;
        services.Install = row.Result;
        UpdateState.Status = StatusDownloaded;
        controller.Start("/cache/vantrel", "");
        controller.Run(controller.lbCommandLabelOnClick());
        EXPECT_EQ(services.Installs, 1);
        EXPECT_EQ(view.Closed, row.Closed);
        EXPECT_EQ(UpdateState.Status, row.Status);
        EXPECT_EQ(view.Command, row.Command);
        EXPECT_EQ(view.Messages.size(), row.Closed ? 0u : 1u);
    }
}

TEST_F(MainControllerTest, ACacheOthersCouldWriteToIsNeverUsed) {
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = kInstalled;  // stale, but not deleted there
    Controller.Start("/cache/vantrel", "others can write to it");
    EXPECT_TRUE(Services.Removed.empty());
    EXPECT_TRUE(Services.Started.empty());
    EXPECT_EQ(View.Command, u"Start download");
    Controller.DownloadClick();
    EXPECT_EQ(View.Messages, std::vector<std::u16string>{u"others can write to it"});
    EXPECT_TRUE(Services.Started.empty());
}

// ---- The tray, the hint and the title -----------------------------------------

TEST_F(MainControllerTest, WithoutATrayTheTitleCarriesTheHintAndTheWindowStaysInReach) {
    View.Tray = false;
    Start();
    EXPECT_EQ(View.Caption, u"Vantrel - New version of Orbisk is available to download!");
    View.Popup = nullptr;  // closed by its cross
    Controller.TrayPopupClosed();
    View.RunLoop();
    EXPECT_TRUE(View.Minimized);
    Controller.ShowMainWindow();
    Controller.btnHideClick();
    EXPECT_TRUE(View.Minimized);

    View.Tray = true;
    Controller.btnHideClick();
    EXPECT_FALSE(View.Visible);
}

TEST(TrayHint, IsCutWholeAndReadsAsOneLineInATitle) {
    EXPECT_EQ(CutTrayHint(std::u16string(126, u'a') + u"\U0001F600").size(), 126u);
    EXPECT_EQ(CutTrayHint(std::u16string(200, u'a')).size(), kTrayHintMax);
    EXPECT_EQ(CutTrayHint(u"short"), u"short");
    EXPECT_EQ(HintAsCaption(u"Vantrel\r\nOrbisk\r\n\r\nPaused (42%)\n"),
              u"Vantrel - Orbisk - Paused (42%)");
}

}  // namespace
}  // namespace vantrel
