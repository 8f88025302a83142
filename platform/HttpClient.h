// Blocking HTTP GET on libcurl's easy interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::platform {

struct HttpRequestOptions {
    std::string userAgent;
    long connectTimeoutMs = 5000;
    // Longest time the transfer may go without receiving a byte.
    long receiveTimeoutMs = 50000;
    // The whole request at most, however steadily the server sends; 0: no limit.
    long totalTimeoutMs = 0;
    // Bytes kept at most; a longer body is cut there, like a broken-off transfer.
    std::size_t maxBodyBytes = std::size_t{128} * 1024 * 1024;
    std::vector<std::string> extraHeaders;
};

struct HttpFetchResult {
    // True when the server answered with an HTTP status line, whatever the
    // status: the body (possibly partial) is then in the output.
    bool gotResponse = false;
    long status = 0;
    // curl's description of what went wrong, empty when the transfer completed.
    std::string error;
};

// Ends every request running or to come at once, as a failure. Safe to call
// from a signal handler: a program asked to end is not held by a slow server.
void AbandonRequests() noexcept;

// Fetches `url`, appending the response body to `body`. Never throws for
// network failures; they are reported in the result.
HttpFetchResult FetchUrl(const std::string& url, std::vector<std::uint8_t>& body,
                         const HttpRequestOptions& options);

}  // namespace vantrel::platform
