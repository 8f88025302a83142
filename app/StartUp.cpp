#include "app/StartUp.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

#include "app/CommandLine.h"
#include "app/WindowModule.h"
#include "core/ProductDetection.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "platform/InstanceMessages.h"
#include "platform/InstanceRegistration.h"
#include "platform/Processes.h"
#include "protocol/ProjectInfoQuery.h"

namespace vantrel {
namespace {

// How long "/uninstall" waits for the instance it ended to be gone.
constexpr int kUninstallWaitMs = 5000;

// The platform version check: every Linux desktop blends windows and draws
// wide text, which is what the NT family meant.
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
