// Until the main window and the error dialog are built, each entry point
// says on standard error which window it would have shown and returns, so
// that start-up carries on and saves the state as after a closed window.
#include "app/ui/WindowEntryPoints.h"

#include <cstdio>

#include "core/iProcs.h"

extern "C" {

int VantrelRunMainWindow(int /*argc*/, char** /*argv*/) {
    std::fprintf(stderr, "vantrel: the main window would have been shown (%s at start)\n",
                 vantrel::ShowInfo ? "shown" : "hidden");
    return 0;
}

int VantrelRunErrorDialog(int /*argc*/, char** /*argv*/) {
    std::fprintf(stderr, "vantrel: the error dialog would have been shown: %s\n",
                 vantrel::ErrorMessage.c_str());
    return 0;
}

}  // extern "C"
