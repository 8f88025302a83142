#include "protocol/SignatureFile.h"

#include <cstdint>
#include <vector>

#include "platform/HttpClient.h"
#include "signature/MinisignFormat.h"

namespace vantrel {

TSignatureFileFetch FetchSignatureFile(const std::string& url,
                                       const TSignatureFetchLimits& limits) {
    platform::HttpRequestOptions options;
    options.userAgent = limits.UserAgent;
    options.connectTimeoutMs = limits.ConnectTimeoutMs;
    options.receiveTimeoutMs = limits.ReceiveTimeoutMs;
    options.totalTimeoutMs = limits.TotalTimeoutMs;
    // One byte more than a signature file may have shows an over-long one.
    options.maxBodyBytes = kMinisignMaxFileSize + 1;
    options.extraHeaders = {"Pragma: no-cache", "Cache-Control: no-cache"};
    std::vector<std::uint8_t> body;
    const platform::HttpFetchResult result = platform::FetchUrl(url, body, options);
    TSignatureFileFetch fetch;
    fetch.ResponseCode = result.status;
    if (body.size() > kMinisignMaxFileSize) {
        fetch.Failure = "The signature " + url + " is larger than any signature file.";
    } else if (!result.gotResponse) {
        fetch.Failure = "The signature " + url + " could not be fetched: " + result.error + ".";
    } else if (result.status != 200) {
        fetch.Failure = "The server answered " + std::to_string(result.status) +
                        " for the signature " + url + ".";
    } else if (!result.error.empty()) {
        fetch.Failure = "The signature " + url + " broke off: " + result.error + ".";
    } else {
        fetch.Text = std::string(body.begin(), body.end());
    }
    return fetch;
}

}  // namespace vantrel
