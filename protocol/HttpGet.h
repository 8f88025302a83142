// The plain HTTP GET used for the project-info query and the completion notice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

inline constexpr const char* kHttpAgent = "Microsoft Internet Explorer";

struct HttpGetTimeouts {
    long connectMs = 5000;
    long receiveMs = 50000;  // longest idle time while waiting for data
};

// The time-outs every HttpGet uses. Tests and staging may shorten them.
HttpGetTimeouts& HttpGetTimeoutSettings();

// Appends the response body to `stream`. False when the machine reports no
// network connection or the request got no HTTP response at all (name not
// resolved, connection refused, connect time-out, TLS failure); the stream is
// then left as it was. A response of any status is a body: true, even when
// the transfer broke off and the body is partial.
// `totalTimeoutMs` bounds the whole request (0: only the time-outs above).
bool HttpGet(const std::string& url, std::vector<std::uint8_t>& stream, long totalTimeoutMs = 0);

}  // namespace vantrel
