// The transfer side of the main window: the package's download settings,
// the address check, the notice that tells the update server a download
// finished, and handing the finished package to the installer. Every front
// end uses these as they are; only opening the file is its own.
//
// Every name is built afresh from the process-wide values (ProjectInfo,
// AvailableProduct, ProjectID) at each call, so a new offer read at start-up
// is always the one used.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "window/controller/MainServices.h"

namespace vantrel {

class TIEDownload;
class TSFTranslateRepository;

// The address the completion notice goes to: the server base URL, the fixed
// path, ProjectID unescaped and the offered version as a signed 32-bit number.
std::string DownloadCompleteURL();

// The English text, or its translation when `repository` is given, with
// its "%s" places filled in order after the lookup.
std::u16string FormatMessage(TSFTranslateRepository* repository, std::string_view text,
                             const std::vector<std::u16string>& values);

// Puts the component's fixed settings in place. Its events stay unconnected:
// they belong to the window.
void ConfigurePackageDownload(TIEDownload& download);

// The package address comes from the server. Throws std::runtime_error with
// a message for the user (UTF-8; translated when `repository` is given) when
// it is not an http:// or https:// address, so that nothing else (a local
// file, a script) is ever fetched, or when AvailableProduct.FileName is not a
// plain file name (empty, ".", "..", holding '/' or NUL), since that name
// becomes a file in the temporary directory.
void CheckPackageURL(const std::string& url, TSFTranslateRepository* repository = nullptr);

// Tells the update server the package is complete. Blocks until the request
// ends, at most kNoticeDeadlineMs (or at once when the program is asked to
// end); its result and answer are of no interest.
inline constexpr long kNoticeDeadlineMs = 3000;
void NotifyDownloadComplete();

// Asks the desktop to open the file at `path` with its associated program;
// false when it refused or could not be asked.
using TOpenFileFunction = std::function<bool(const std::string& path)>;

// Moves the temporary file to its final name and opens it with `open`. Never
// deletes the only copy of a complete package: when the temporary file is
// gone but the final file is there (an earlier move worked, the open did
// not), the final file is opened; a failed move leaves the temporary file, a
// failed open leaves the final file. After such a failure `PackageKept` says
// the package is still there for the next try, so the downloaded state is
// worth keeping; with neither file on disk it is clear and only a new
// download helps. `Reason` is translated when `repository` is given.
TInstallResult RunInstaller(const std::string& tempDir, const TOpenFileFunction& open,
                            TSFTranslateRepository* repository = nullptr);

}  // namespace vantrel
