// The URL binding a front end provides to the download component: it starts
// a request, and reports to a binding-status callback in the order the
// component expects (start, bind info, transaction, response, progress,
// data, exactly one stop). Its terms are those of the platform's URL
// download interface, so that a Win32 front end hands its own binding's
// notifications through, and the Qt front end drives curl to the same
// effect.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "window/download/BindResults.h"

namespace vantrel::platform {

// Binding status codes carried by progress notifications.
enum TBindStatus : std::uint32_t {
    BINDSTATUS_FINDINGRESOURCE = 1,
    BINDSTATUS_CONNECTING = 2,
    BINDSTATUS_REDIRECTING = 3,
    BINDSTATUS_BEGINDOWNLOADDATA = 4,
    BINDSTATUS_DOWNLOADINGDATA = 5,
    BINDSTATUS_ENDDOWNLOADDATA = 6,
    BINDSTATUS_SENDINGREQUEST = 11,
};

// The bind flags a binding acts on; the others are accepted and ignored.
inline constexpr std::uint32_t BINDF_ASYNCHRONOUS = 0x1;
inline constexpr std::uint32_t BINDF_OFFLINEOPERATION = 0x8;
inline constexpr std::uint32_t BINDF_GETNEWESTVERSION = 0x10;
// Accepted but without effect: the certificate and host name of an https
// server are always checked, since the client runs what it downloads.
inline constexpr std::uint32_t BINDF_IGNORESECURITYPROBLEM = 0x100;
inline constexpr std::uint32_t BINDF_RESYNCHRONIZE = 0x200;
inline constexpr std::uint32_t BINDF_PRAGMA_NO_CACHE = 0x2000;

// Flags of a data notification.
inline constexpr std::uint32_t BSCF_FIRSTDATANOTIFICATION = 0x1;
inline constexpr std::uint32_t BSCF_INTERMEDIATEDATANOTIFICATION = 0x2;
inline constexpr std::uint32_t BSCF_LASTDATANOTIFICATION = 0x4;

enum TBindVerb : std::uint32_t {
    BINDVERB_GET = 0,
    BINDVERB_POST = 1,
    BINDVERB_PUT = 2,
    BINDVERB_CUSTOM = 3,
};

// Storage medium types.
inline constexpr std::uint32_t TYMED_NULL = 0;
inline constexpr std::uint32_t TYMED_HGLOBAL = 1;
inline constexpr std::uint32_t TYMED_ISTREAM = 4;

// The sizes the platform's bind-info and security-attributes records state
// in their first field, as a 32-bit program lays them out. A callback fills
// them in so that a binding can tell which version of a record it was given.
inline constexpr std::uint32_t kBindInfoRecordSize = 84;
inline constexpr std::uint32_t kSecurityAttributesRecordSize = 12;

struct TSecurityAttributes {
    std::uint32_t Length = kSecurityAttributesRecordSize;
    std::string Descriptor;  // empty: none
    bool InheritHandle = false;
};

// What the callback tells the binding about the request. Texts are UTF-8.
struct TBindInfo {
    std::uint32_t Size = kBindInfoRecordSize;
    std::string ExtraInfo;  // appended to the URL of a Get request
    std::uint32_t BindInfoFlags = 0;
    std::uint32_t BindVerb = BINDVERB_GET;
    std::string CustomVerb;
    std::uint32_t MediumType = TYMED_NULL;  // TYMED_HGLOBAL: Body is sent
    std::vector<std::uint8_t> Body;
    std::uint32_t CodePage = 0;
    TSecurityAttributes Security;
};

// The data received and not yet read. Reading what is there empties it, so
// that memory stays at one network burst whatever the package's size.
class TBindStream {
public:
    // Copies up to `size` bytes; the count read, 0 when nothing is waiting.
    std::uint32_t Read(void* buffer, std::uint32_t size);
    std::size_t Pending() const { return FData.size() - FOffset; }
    void Append(const char* data, std::size_t size);

private:
    std::vector<std::uint8_t> FData;
    std::size_t FOffset = 0;
};

// One running transfer, as its callback sees it.
class IBinding {
public:
    virtual ~IBinding() = default;
    // Ends the transfer; the stop follows with E_ABORT, never inside the
    // call, so a callback may abort and return safely.
    virtual void Abort() = 0;
    // The callback is going away: no more notifications, not even the stop.
    virtual void Detach() = 0;
    // The final response's headers (case-insensitive names).
    virtual std::optional<std::string> ResponseHeader(std::string_view name) const = 0;

    // Content-Length as a number, when the header is there and numeric.
    std::optional<std::uint64_t> ContentLength() const;
    // Whether the body came in chunks: then its end is marked, and a binding
    // fails a chunked body that was cut off.
    bool Chunked() const;
};

// The request's side of the binding. Every call returns a result; a failure
// from start of binding, bind info, beginning of transaction or response
// ends the binding.
class IBindStatusCallback {
public:
    virtual ~IBindStatusCallback() = default;
    virtual HRESULT OnStartBinding(const std::shared_ptr<IBinding>& binding) = 0;
    virtual HRESULT GetPriority() = 0;
    virtual HRESULT OnLowResource() = 0;
    // Byte counts are 64-bit: a package may be larger than 4 GiB.
    virtual HRESULT OnProgress(std::uint64_t progress, std::uint64_t progressMax,
                               std::uint32_t statusCode, const std::string& statusText) = 0;
    virtual HRESULT OnStopBinding(HRESULT result, const std::string& error) = 0;
    virtual HRESULT GetBindInfo(std::uint32_t& bindFlags, TBindInfo& info) = 0;
    // `size` is the cumulative count of bytes available; `stream` is handed
    // over with the first notification (medium type stream).
    virtual HRESULT OnDataAvailable(std::uint32_t flags, std::uint64_t size,
                                    std::uint32_t mediumType, TBindStream* stream) = 0;
    virtual HRESULT OnObjectAvailable() = 0;
    virtual HRESULT BeginningTransaction(const std::string& url, const std::string& headers,
                                         std::uint32_t reserved,
                                         std::string& additionalHeaders) = 0;
    virtual HRESULT OnResponse(std::uint32_t responseCode, const std::string& responseHeaders,
                               const std::string& requestHeaders,
                               std::string& additionalRequestHeaders) = 0;
    virtual HRESULT Authenticate(std::string& userName, std::string& password) = 0;
    virtual HRESULT OnSecurityProblem(std::uint32_t problem) = 0;
};

// What the front end offers to start bindings with.
class IUrlBinder {
public:
    virtual ~IUrlBinder() = default;
    // S_OK for a URL this binder can fetch (http or https with a host),
    // S_FALSE otherwise.
    virtual HRESULT IsValidURL(const std::string& url) const = 0;
    // Starts fetching `url` for `callback`: MK_S_ASYNCHRONOUS when the
    // callback's bind flags ask for an asynchronous binding (notifications
    // follow on the front end's loop), else it runs to its stop before
    // returning S_OK. The callback must outlive the binding or detach it.
    virtual HRESULT BindToStorage(const std::string& url, IBindStatusCallback& callback) = 0;
};

}  // namespace vantrel::platform
