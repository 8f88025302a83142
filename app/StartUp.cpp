#include "app/StartUp.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

#include "app/CommandLine.h"
#include "app/WindowModule.h"
#include "core/BuildConfig.h"
#include "core/ProductDetection.h"
#include "core/ProductVersion.h"
#include "core/UpdateState.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "platform/InstanceMessages.h"
#include "platform/InstanceRegistration.h"
#include "platform/Processes.h"
#include "platform/TextConversion.h"
#include "platform/Utf8Path.h"
#ifdef _WIN32
#include "platform/windows/Win32Text.h"
#endif
#include "protocol/ProjectInfoQuery.h"

namespace vantrel {
namespace {

// How long "/uninstall" waits for the instance it ended to be gone.
constexpr int kUninstallWaitMs = 5000;

// The platform version check: every Linux desktop blends windows and draws
// wide text, which is what the NT family meant; every Windows this program
// runs on (it needs Vista's loader and folder calls) is of the NT family.
void CheckWinNT() {
    IsWinNT = true;
}

// A second start signals (or, with "/uninstall", ends) the running
// instance. True when another instance runs and this one must end.
//
// The running instance is the process registered for this user's state,
// not any process of the same name: a snapshot of the process list sees
// starts that are themselves still deciding, so two simultaneous starts
// could each take the other for the instance and both end, or each miss
// the other and both run. The registration is taken atomically, so exactly
// one start of any number runs, and it lasts for the whole run, so the next
// start finds the instance whatever its session (XDG_RUNTIME_DIR, login).
bool HandOverToRunningInstance() {
    const platform::TInstanceClaim claim = platform::ClaimInstance();
    if (!claim.OtherRuns) {
        if (claim.Registered)
            platform::RemoveStaleEndpointFiles();
        return false;
    }
    if (Uninstall) {
        // The ended instance may be saving its state at this moment (it
        // saves as a download starts, pauses and completes): the key is
        // deleted only once it can write no more.
        if (claim.Running && platform::TerminateProcessWithCode(*claim.Running, 0))
            platform::WaitForProcessEnd(*claim.Running, kUninstallWaitMs);
        DeleteUpdateState();
    } else if (claim.Running) {
        platform::PostToProcessWindows(*claim.Running, platform::WM_SHOWMAINWINDOW, 0, 0);
    }
    return true;
}

#ifdef _WIN32

std::string ProgramDirectory(char* /*argv0*/) {
    std::string dir = platform::Utf8Text(platform::OwnExecutablePath().parent_path());
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir;
}

// The window side does not exist on Windows yet. Rather than pretend, the
// user is told plainly what there was to show, and the run then ends the
// way a module that fails to load ends it, with the state saved as then.
void ShowWindow(TWindowChoice choice, int /*argc*/, char** /*argv*/) {
    if (choice == TWindowChoice::None)
        return;
    const std::string text = NoWindowText(choice);
    std::fprintf(stderr, "vantrel: %s\n", text.c_str());
    MessageBoxW(nullptr, platform::WideFromUtf8(text).c_str(), L"Vantrel",
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    throw WindowModuleError("this build has no window module for Windows yet");
}

#else

std::string ProgramDirectory(char* argv0) {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error && argv0 != nullptr)
        exe = std::filesystem::absolute(argv0, error);
    std::string dir = exe.parent_path().string();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

void ShowWindow(TWindowChoice choice, int argc, char** argv) {
    if (choice == TWindowChoice::None)
        return;
    const TWindowModule module(WindowModulePath());
    const char* entry = choice == TWindowChoice::MainWindow ? kRunMainWindow : kRunErrorDialog;
    module.EntryPoint(entry)(argc, argv);
}

#endif

// Steps from detection to the end of the window's life. Whatever leaves
// here, the caller still saves the state.
void RunGuarded(int argc, char** argv, const std::vector<std::string>& arguments) {
    DetectProduct();
    ShowInfo = FirstArgumentIs(arguments, "/showinfo");
    LoadUpdateState();
    Language = LanguageArgument(arguments).value_or(u"English");
    // ResetUpdateState puts Language back to English; "/lang:" decides
    // after the load.
    const bool productFound = InstalledProduct.Found;
    const bool querySucceeded = productFound && QueryProjectInfo();
    const TWindowChoice choice =
        DecideWindow(productFound, querySucceeded, AvailableProduct.Version,
                     InstalledProduct.Version, ShowInfo, ErrorMessage);
    ShowWindow(choice, argc, argv);
}

// Texts from the server are in the code page; one that does not convert is
// shown as it came rather than not at all.
std::string Utf8OrAsIs(const std::string& text) {
    try {
        return platform::CodePageToUtf8(text);
    } catch (const std::exception&) {
        return text;
    }
}

}  // namespace

TWindowChoice DecideWindow(bool productFound, bool querySucceeded, std::uint32_t availableVersion,
                           std::uint32_t installedVersion, bool showInfo,
                           const std::string& errorMessage) {
    if (productFound && querySucceeded && (showInfo || availableVersion > installedVersion))
        return TWindowChoice::MainWindow;
    if (!errorMessage.empty() && showInfo)
        return TWindowChoice::ErrorDialog;
    return TWindowChoice::None;
}

std::string NoWindowText(TWindowChoice choice) {
    const std::string site =
        ProjectInfo.WebSiteURL.empty() ? VendorWebSite() : Utf8OrAsIs(ProjectInfo.WebSiteURL);
    std::string text;
    if (choice == TWindowChoice::MainWindow) {
        const std::string title =
            ProjectInfo.ProductTitle.empty() ? ProjectID : Utf8OrAsIs(ProjectInfo.ProductTitle);
        text = AvailableProduct.Version > InstalledProduct.Version
                   ? title + " " + VersionToText(AvailableProduct.Version) +
                         " is available (installed: " + VersionToText(InstalledProduct.Version) +
                         ")."
                   : title + " " + VersionToText(InstalledProduct.Version) + " is up to date.";
    } else {
        text = Utf8OrAsIs(ErrorMessage);
    }
    return text + "\n\nThis version of Vantrel cannot show its window on Windows yet.\n" +
           "The vendor's web site: " + site;
}

int RunStartUp(int argc, char** argv) {
    const std::vector<std::string> arguments = ArgumentsOf(argc, argv);
    char* argv0 = argc > 0 ? argv[0] : nullptr;
    CheckWinNT();
    Uninstall = FirstArgumentIs(arguments, "/uninstall");
    if (HandOverToRunningInstance())
        return 0;
    if (Uninstall) {
        DeleteUpdateState();
        return 0;
    }
    AppDir = ProgramDirectory(argv0);
    ProjectInfo.ProductLogo.Clear();

    int exitCode = 0;
    try {
        RunGuarded(argc, argv, arguments);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel: %s\n", e.what());
        exitCode = 1;
    } catch (...) {
        std::fprintf(stderr, "vantrel: start-up failed\n");
        exitCode = 1;
    }
    ProjectInfo.ProductLogo.Clear();
    // Only a failed query keeps the old date. A run that found no product
    // asked nothing and failed nothing, so it moves the next check forward.
    SaveUpdateState(ErrorMessage.empty());
    return exitCode;
}

}  // namespace vantrel
