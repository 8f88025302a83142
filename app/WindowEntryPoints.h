// The window module's interface: one entry point per top-level window that
// start-up can show. Each creates the GUI application (title "Vantrel"),
// shows its window and runs the message loop until the application ends;
// the window reads and changes the process-wide values of core/iProcs.h,
// which the module shares with the program (there is one copy of them, in
// the program).
#pragma once

namespace vantrel {

// argc/argv are the program's own, for the GUI application. The result is
// the message loop's exit code.
using TWindowEntryPoint = int (*)(int argc, char** argv);

// Installed beside the program.
#ifdef _WIN32
inline constexpr const char* kWindowModuleFileName = "vantrel-ui.dll";
#else
inline constexpr const char* kWindowModuleFileName = "libvantrel-ui.so";
#endif

// The main window TfVantrelMain, shown at start when ShowInfo is set and
// hidden otherwise.
inline constexpr const char* kRunMainWindow = "VantrelRunMainWindow";
// The error dialog TfErrorDlg with ErrorMessage.
inline constexpr const char* kRunErrorDialog = "VantrelRunErrorDialog";

}  // namespace vantrel

extern "C" {
int VantrelRunMainWindow(int argc, char** argv);
int VantrelRunErrorDialog(int argc, char** argv);
}
