// The package's address and its files in the cache, and what the end of its
// transfer means. Every name is built afresh from the process-wide values
// (ProjectInfo, AvailableProduct) at each call, so a new offer read at
// start-up is always the one used.
#pragma once

#include <string>

namespace vantrel {

// DownloadURL + "/" + AvailableProduct.FileName.
std::string PackageURL();
// The address of the package's signature.
std::string SignatureURL();

// `tempDir` must end with '/': no delimiter is inserted before the name.
// The file name comes from the server, so a '/' or NUL in it is replaced by
// '_' and "", "." and ".." get a leading '_': these paths never leave
// `tempDir`, whatever the server sent (CheckPackageURL refuses such a name
// before any transfer starts).
std::string TemporaryPackageFile(const std::string& tempDir);  // ... + FileName + ".tmp"
std::string FinalPackageFile(const std::string& tempDir);      // ... + FileName

}  // namespace vantrel
