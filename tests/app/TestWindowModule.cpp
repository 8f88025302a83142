// A window module for tests: it reports what it sees of the program's
// process-wide values, and changes one, through the same interface as
// libvantrel-ui.so.
#include "app/WindowEntryPoints.h"
#include "core/UpdateState.h"
#include "core/iProcs.h"

extern "C" {

// The module's view of the values: addresses and contents.
const void* TestModuleErrorMessageAddress() {
    return &vantrel::ErrorMessage;
}
const void* TestModuleUpdateStateAddress() {
    return &vantrel::UpdateState;
}

int VantrelRunMainWindow(int argc, char** /*argv*/) {
    // A window changes the state in memory; start-up saves it afterwards.
    vantrel::UpdateState.Mode = vantrel::ModeMonthly;
    return argc;
}

int VantrelRunErrorDialog(int /*argc*/, char** /*argv*/) {
    return static_cast<int>(vantrel::ErrorMessage.size());
}

}  // extern "C"
