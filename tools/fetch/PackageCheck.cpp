#include "tools/fetch/PackageCheck.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/HttpClient.h"
#include "signature/MinisignFormat.h"

namespace vantrel::fetch {
namespace {

// The signature's text, or an error saying why there is none.
bool FetchSignature(TPackageCheck& check, const std::string& userAgent, long timeOutMs,
                    std::string& text) {
    platform::HttpRequestOptions options;
    options.userAgent = userAgent;
    if (timeOutMs > 0)
        options.receiveTimeoutMs = timeOutMs;
    // One byte more than a signature file may have shows an over-long one.
    options.maxBodyBytes = kMinisignMaxFileSize + 1;
    options.extraHeaders = {"Pragma: no-cache", "Cache-Control: no-cache"};
    std::vector<std::uint8_t> body;
    const platform::HttpFetchResult result = platform::FetchUrl(check.SignatureUrl, body, options);
    check.ResponseCode = result.status;
    if (body.size() > kMinisignMaxFileSize) {
        check.Error = "The signature " + check.SignatureUrl + " is larger than any signature file.";
    } else if (!result.gotResponse) {
        check.Error =
            "The signature " + check.SignatureUrl + " could not be fetched: " + result.error + ".";
    } else if (result.status != 200) {
        check.Error = "The server answered " + std::to_string(result.status) +
                      " for the signature " + check.SignatureUrl + ".";
    } else if (!result.error.empty()) {
        check.Error = "The signature " + check.SignatureUrl + " broke off: " + result.error + ".";
    } else {
        text.assign(body.begin(), body.end());
        return true;
    }
    return false;
}

}  // namespace

TPackageCheck CheckDownloadedPackage(const std::string& packageUrl, const std::string& file,
                                     const TMinisignPublicKey& key, const std::string& userAgent,
                                     long timeOutMs,
                                     const std::optional<TSignedRelease>& expected) {
    TPackageCheck check;
    check.SignatureUrl = packageUrl + ".minisig";
    std::string signature;
    if (!FetchSignature(check, userAgent, timeOutMs, signature))
        return check;
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
