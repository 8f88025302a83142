// The start-up sequence: single instance, detection, query, decision, state.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

enum class TWindowChoice {
    None,         // a quiet run
    MainWindow,   // TfVantrelMain, shown at start only with ShowInfo
    ErrorDialog,  // TfErrorDlg with ErrorMessage
};

// What to show once the product is known and the query (if any) has run.
// `queried` is false when no product was found (no query was made) and
// `querySucceeded` is QueryProjectInfo's result. Only the versions are
// compared, unsigned; whether the offered record is marked found is the
// main window's concern.
TWindowChoice DecideWindow(bool productFound, bool querySucceeded, std::uint32_t availableVersion,
                           std::uint32_t installedVersion, bool showInfo,
                           const std::string& errorMessage);

// What a build without a window module tells the user instead of showing
// `choice` (Windows, until its window side exists): the offered version or
// the error, and where the vendor's site is. UTF-8.
std::string NoWindowText(TWindowChoice choice);

// The whole sequence; the result is the process's exit code: 0, or 1 when
// a failure inside the guarded block ended the run (it is reported on
// standard error, and the state was still saved).
int RunStartUp(int argc, char** argv);

}  // namespace vantrel
