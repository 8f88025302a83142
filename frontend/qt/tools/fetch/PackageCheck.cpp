#include "frontend/qt/tools/fetch/PackageCheck.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "protocol/SignatureFile.h"

namespace vantrel::fetch {

TPackageCheck CheckDownloadedPackage(const std::string& packageUrl, const std::string& file,
                                     const TMinisignPublicKey& key, const std::string& userAgent,
                                     long timeOutMs,
                                     const std::optional<TSignedRelease>& expected) {
    TPackageCheck check;
    check.SignatureUrl = packageUrl + ".minisig";
    TSignatureFetchLimits limits;
    limits.UserAgent = userAgent;
    if (timeOutMs > 0)
        limits.ReceiveTimeoutMs = timeOutMs;
    const TSignatureFileFetch fetched = FetchSignatureFile(check.SignatureUrl, limits);
    check.ResponseCode = fetched.ResponseCode;
    if (!fetched.Text) {
        check.Error = fetched.Failure;
        return check;
    }
    const std::string& signature = *fetched.Text;
    try {
        std::string comment = VerifyPackageFile(file, signature, key);
        // The tool knows no installed version. 0 is below every release the
        // client would offer (the options refuse 0.0.0.0), so only the match
        // with the comment decides.
        if (expected)
            RequirePackageComment(comment, *expected, 0);
        check.TrustedComment = std::move(comment);
        check.Verified = true;
    } catch (const TSignatureError& e) {
        check.Error = e.what();
    }
    return check;
}

std::string UrlFileName(const std::string& url) {
    const std::string withoutQuery = url.substr(0, url.find_first_of("?#"));
    const std::size_t scheme = withoutQuery.find("://");
    const std::size_t authorityStart = scheme == std::string::npos ? 0 : scheme + 3;
    if (withoutQuery.find('/', authorityStart) == std::string::npos)
        return {};
    return withoutQuery.substr(withoutQuery.rfind('/') + 1);
}

}  // namespace vantrel::fetch
