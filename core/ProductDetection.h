// Which edition of the product is installed, and at which version.
#pragma once

#include <string>

#include "core/ProductVersion.h"

namespace vantrel {

// The file version of one library, packed; the record's FileName is the
// name's file part cut to 64 characters. Found stays clear when the
// library has no readable version resource. Never throws.
TProductVersionRec ReadVersionInfo(const std::string& FileName);

// Reads each edition's library (names resolved against the current
// directory) and keeps the highest version; on a tie the earlier table row
// wins, and a version of 0 never does. Fills InstalledProduct, and ProjectID
// and RegistryPath from the chosen row (left as they were when none
// qualifies); returns InstalledProduct.
TProductVersionRec DetectProduct();

}  // namespace vantrel
