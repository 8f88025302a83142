// vantrel-fetch --verify: the package's signature, fetched from beside it on
// the server and checked against the vendor's public key.
#pragma once

#include <string>

#include "signature/PackageSignature.h"

namespace vantrel::fetch {

struct TPackageCheck {
    std::string SignatureUrl;
    long ResponseCode = 0;  // the signature's; 0 when no answer came
    bool Verified = false;
    std::string TrustedComment;  // when verified
    std::string Error;           // when not
};

// Fetches `packageUrl` + ".minisig" and verifies `file` with it.
TPackageCheck CheckDownloadedPackage(const std::string& packageUrl, const std::string& file,
                                     const TMinisignPublicKey& key, const std::string& userAgent,
                                     long timeOutMs);

}  // namespace vantrel::fetch
