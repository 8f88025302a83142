#include "platform/HttpClient.h"

#include <curl/curl.h>

#include "platform/TlsTrust.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace vantrel::platform {
namespace {

void EnsureCurlInitialised() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            throw std::runtime_error("libcurl could not be initialised");
        }
    });
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct BodySink {
    std::vector<std::uint8_t>* body;
    std::size_t room;  // bytes still accepted
};

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const size_t bytes = size * count;
    if (bytes > sink->room) {
        // Returning less than offered makes curl end the transfer.
        sink->body->insert(sink->body->end(), data, data + sink->room);
        sink->room = 0;
        return 0;
    }
    sink->body->insert(sink->body->end(), data, data + bytes);
    sink->room -= bytes;
    return bytes;
}

// Lock-free, so that a signal handler may set it.
std::atomic<bool> gAbandoned{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// curl calls this at least once a second while a request runs.
int AbandonWhenAsked(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return gAbandoned.load() ? 1 : 0;
}

long SecondsRoundedUp(long ms) {
    return ms <= 0 ? 1 : (ms + 999) / 1000;
}

}  // namespace

void AbandonRequests() noexcept {
    gAbandoned.store(true);
}

HttpFetchResult FetchUrl(const std::string& url, std::vector<std::uint8_t>& body,
                         const HttpRequestOptions& options) {
    EnsureCurlInitialised();
    HttpFetchResult result;

    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        result.error = "libcurl could not create a request";
        return result;
    }
    std::unique_ptr<curl_slist, SlistDeleter> headers;
    auto addHeader = [&headers](const std::string& line) {
        curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
        if (grown == nullptr)
            throw std::bad_alloc();
        // The old head is now part of `grown`: owned once, not freed here.
        static_cast<void>(headers.release());
        headers.reset(grown);
    };
    for (const auto& h : options.extraHeaders)
        addHeader(h);

    BodySink sink{&body, options.maxBodyBytes};
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, options.userAgent.c_str());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    // An idle transfer: less than one byte a second for the whole receive time-out.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, SecondsRoundedUp(options.receiveTimeoutMs));
    if (options.totalTimeoutMs > 0)
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &AbandonWhenAsked);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    // The server's certificate and host name are checked (curl's default,
    // stated so that nobody turns it off); a test server's CA comes from
    // the environment.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* caFile = CaFileOverride())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile);
    // No cookie engine is enabled, and the proxy comes from the environment
    // (http_proxy, https_proxy, no_proxy), which is curl's default.

    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    result.gotResponse = result.status > 0;
    if (code != CURLE_OK) {
        result.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
    }
    return result;
}

}  // namespace vantrel::platform
