#include "protocol/HttpGet.h"

#include "platform/HttpClient.h"
#include "platform/InternetState.h"

namespace vantrel {

HttpGetTimeouts& HttpGetTimeoutSettings() {
    static HttpGetTimeouts settings;
    return settings;
}

bool HttpGet(const std::string& url, std::vector<std::uint8_t>& stream, long totalTimeoutMs) {
    if (!platform::IsInternetConnected())
        return false;
    try {
        platform::HttpRequestOptions options;
        options.userAgent = kHttpAgent;
        options.connectTimeoutMs = HttpGetTimeoutSettings().connectMs;
        options.receiveTimeoutMs = HttpGetTimeoutSettings().receiveMs;
        options.totalTimeoutMs = totalTimeoutMs;
        // Always a fresh answer from the server, never one from a cache.
        options.extraHeaders = {"Pragma: no-cache", "Cache-Control: no-cache"};
        return platform::FetchUrl(url, stream, options).gotResponse;
    } catch (...) {
        return false;
    }
}

}  // namespace vantrel
