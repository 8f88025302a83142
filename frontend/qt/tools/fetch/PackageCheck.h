// vantrel-fetch --verify: the package's signature, fetched from beside it on
// the server and checked against the vendor's public key.
#pragma once

#include <optional>
#include <string>

#include "signature/PackageSignature.h"
#include "signature/TrustedComment.h"

namespace vantrel::fetch {

struct TPackageCheck {
    std::string SignatureUrl;
    long ResponseCode = 0;  // the signature's; 0 when no answer came
    bool Verified = false;
    std::string TrustedComment;  // when verified
    std::string Error;           // when not
};

// Fetches `packageUrl` + ".minisig" and verifies `file` with it. With
// `expected`, the trusted comment must also name exactly that release.
TPackageCheck CheckDownloadedPackage(const std::string& packageUrl, const std::string& file,
                                     const TMinisignPublicKey& key, const std::string& userAgent,
                                     long timeOutMs,
                                     const std::optional<TSignedRelease>& expected = std::nullopt);

// The last path segment of `url` as written, without query or fragment and
// not percent-decoded; empty when the URL has no path or ends in "/".
std::string UrlFileName(const std::string& url);

}  // namespace vantrel::fetch
