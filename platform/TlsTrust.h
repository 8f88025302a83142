// Which certificate authorities an https request trusts. Tests and staging
// servers use certificates of their own, named by VANTREL_CA_FILE; without
// it the system's store decides.
#pragma once

#include <cstdlib>

namespace vantrel::platform {

// The CA file to trust in place of the system's, or null.
inline const char* CaFileOverride() {
    const char* file = std::getenv("VANTREL_CA_FILE");
    return file && *file ? file : nullptr;
}

}  // namespace vantrel::platform
