#include "platform/HttpClient.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "platform/windows/Win32Text.h"

namespace vantrel::platform {
namespace {

// Set once the program is asked to end; the open session is closed from
// the asking thread, which makes a blocked WinINet call return at once.
std::atomic<bool> gAbandoned{false};
std::atomic<HINTERNET> gSession{nullptr};

// WinINet's own messages live in its module, not in the system's table.
std::string InternetErrorText(DWORD error) {
    if (error >= INTERNET_ERROR_BASE && error <= INTERNET_ERROR_LAST) {
        wchar_t buffer[512];
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                           GetModuleHandleW(L"wininet.dll"), error, 0, buffer, 512, nullptr);
        std::wstring text(buffer, length);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
            text.pop_back();
        if (!text.empty())
            return Utf8FromWide(text);
        return "WinINet error " + std::to_string(error);
    }
    return SystemErrorText(error);
}

// Owns the session for one request; the session is also reachable for
// AbandonRequests, and whichever takes it out of gSession closes it.
class TSession {
public:
    explicit TSession(HINTERNET handle) { gSession.store(handle); }
    ~TSession() {
        if (HINTERNET handle = gSession.exchange(nullptr))
            InternetCloseHandle(handle);
    }
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;
};

// Ends a request that runs past its whole limit by closing its session,
// which makes a blocked WinINet call return at once: WinINet's own waits are
// per step, and not every WinINet bounds the wait for the status line by
// them. Destroyed before the session, it waits for a callback under way.
class TDeadline {
public:
    TDeadline(HINTERNET session, long ms) : FSession(session) {
        if (ms > 0)
            CreateTimerQueueTimer(&FTimer, nullptr, &TDeadline::Expire, this,
                                  static_cast<DWORD>(ms), 0, WT_EXECUTEONLYONCE);
    }
    ~TDeadline() {
        if (FTimer != nullptr)
            DeleteTimerQueueTimer(nullptr, FTimer, INVALID_HANDLE_VALUE);
    }
    TDeadline(const TDeadline&) = delete;
    TDeadline& operator=(const TDeadline&) = delete;
    bool Expired() const { return FExpired.load(); }

private:
    static void CALLBACK Expire(void* self, BOOLEAN /*timerOrWait*/) {
        auto* deadline = static_cast<TDeadline*>(self);
        deadline->FExpired.store(true);
        HINTERNET expected = deadline->FSession;
        if (gSession.compare_exchange_strong(expected, nullptr))
            InternetCloseHandle(expected);
    }

    HINTERNET FSession;
    HANDLE FTimer = nullptr;
    std::atomic<bool> FExpired{false};
};

struct TRequestCloser {
    void operator()(void* handle) const { InternetCloseHandle(handle); }
};

void SetTimeout(HINTERNET handle, DWORD option, long ms) {
    DWORD value = ms > 0 ? static_cast<DWORD>(ms) : 1;
    InternetSetOptionW(handle, option, &value, sizeof value);
}

std::wstring HeaderBlock(const std::vector<std::string>& headers) {
    std::string block;
    for (const std::string& line : headers)
        block += line + "\r\n";
    return WideFromUtf8(block);
}

}  // namespace

void AbandonRequests() noexcept {
    gAbandoned.store(true);
    if (HINTERNET handle = gSession.exchange(nullptr))
        InternetCloseHandle(handle);
}

// WinINet's receive time-out bounds each wait for data, as the idle limit
// does on Linux. Certificates are always checked: no flag that ignores a
// certificate problem is ever passed, and a redirect is reported, not
// followed, as on Linux.
HttpFetchResult FetchUrl(const std::string& url, std::vector<std::uint8_t>& body,
                         const HttpRequestOptions& options) {
    HttpFetchResult result;
    if (gAbandoned.load()) {
        result.error = "the program is ending";
        return result;
    }
    HINTERNET session = InternetOpenW(WideFromUtf8(options.userAgent).c_str(),
                                      INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session == nullptr) {
        result.error = InternetErrorText(GetLastError());
        return result;
    }
    const TSession owner(session);
    const TDeadline deadline(session, options.totalTimeoutMs);
    const auto overdue = [&] { return deadline.Expired(); };
    SetTimeout(session, INTERNET_OPTION_CONNECT_TIMEOUT, options.connectTimeoutMs);
    SetTimeout(session, INTERNET_OPTION_SEND_TIMEOUT, options.receiveTimeoutMs);
    SetTimeout(session, INTERNET_OPTION_RECEIVE_TIMEOUT, options.receiveTimeoutMs);

    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;
    const std::wstring headers = HeaderBlock(options.extraHeaders);
    std::unique_ptr<void, TRequestCloser> request(InternetOpenUrlW(
        session, WideFromUtf8(url).c_str(), headers.empty() ? nullptr : headers.c_str(),
        static_cast<DWORD>(headers.size()), flags, 0));
    if (!request) {
        result.error = gAbandoned.load() ? "the program is ending"
                       : overdue()       ? "the request took longer than allowed"
                                         : InternetErrorText(GetLastError());
        return result;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                       &size, nullptr)) {
        result.status = static_cast<long>(status);
        result.gotResponse = status > 0;
    }

    std::size_t room = options.maxBodyBytes;
    std::vector<std::uint8_t> chunk(1 << 16);
    for (;;) {
        if (gAbandoned.load()) {
            result.error = "the program is ending";
            return result;
        }
        if (overdue()) {
            result.error = "the request took longer than allowed";
            return result;
        }
        DWORD got = 0;
        if (!InternetReadFile(request.get(), chunk.data(), static_cast<DWORD>(chunk.size()),
                              &got)) {
            result.error = gAbandoned.load() ? "the program is ending"
                           : overdue()       ? "the request took longer than allowed"
                                             : InternetErrorText(GetLastError());
            return result;
        }
        if (got == 0)
            return result;
        // A longer body is cut where the cap lies, like a broken-off transfer.
        const std::size_t take = std::min<std::size_t>(got, room);
        body.insert(body.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(take));
        room -= take;
        if (take < got) {
            result.error = "the answer is longer than the " + std::to_string(options.maxBodyBytes) +
                           " bytes accepted";
            return result;
        }
    }
}

}  // namespace vantrel::platform
