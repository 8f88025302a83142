// A signature file (minisign's .minisig) fetched with a blocking request, for
// the checks that run outside the window: the reply's signature at start-up
// and the vendor's vantrel-fetch. Bounded in size and in total time.
#pragma once

#include <optional>
#include <string>

namespace vantrel {

struct TSignatureFileFetch {
    std::optional<std::string> Text;  // the file; none when it could not be had
    long ResponseCode = 0;            // 0 when no answer came
    std::string Failure;              // why not, an English sentence
};

struct TSignatureFetchLimits {
    std::string UserAgent;
    long ConnectTimeoutMs = 5000;
    long ReceiveTimeoutMs = 50000;  // idle time
    long TotalTimeoutMs = 30000;    // the whole fetch, however steady the trickle
};

TSignatureFileFetch FetchSignatureFile(const std::string& url, const TSignatureFetchLimits& limits);

}  // namespace vantrel
