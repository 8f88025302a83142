// The asynchronous URL binding of the window side: an HTTP transfer on
// libcurl's multi interface, driven by QSocketNotifier and QTimer on the GUI
// thread, that reports to a binding-status callback in the order the download
// component expects (start, bind info, transaction, response, progress, data,
// exactly one stop). No worker threads: every notification runs on the loop.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/qt/BindResults.h"

typedef void CURL;
typedef void CURLM;
class QSocketNotifier;

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

// The bind flags this binding acts on; the others are accepted and ignored.
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
    QByteArray Descriptor;  // empty: none
    bool InheritHandle = false;
};

// What the callback tells the binding about the request.
struct TBindInfo {
    std::uint32_t Size = kBindInfoRecordSize;
    QString ExtraInfo;  // appended to the URL of a Get request
    std::uint32_t BindInfoFlags = 0;
    std::uint32_t BindVerb = BINDVERB_GET;
    QString CustomVerb;
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

class TBinding;

// The request's side of the binding. Every call returns a result; a failure
// from start of binding, bind info, beginning of transaction or response
// ends the binding.
class IBindStatusCallback {
public:
    virtual ~IBindStatusCallback() = default;
    virtual HRESULT OnStartBinding(const std::shared_ptr<TBinding>& binding) = 0;
    virtual HRESULT GetPriority() = 0;
    virtual HRESULT OnLowResource() = 0;
    // Byte counts are 64-bit: a package may be larger than 4 GiB.
    virtual HRESULT OnProgress(std::uint64_t progress, std::uint64_t progressMax,
                               std::uint32_t statusCode, const QString& statusText) = 0;
    virtual HRESULT OnStopBinding(HRESULT result, const QString& error) = 0;
    virtual HRESULT GetBindInfo(std::uint32_t& bindFlags, TBindInfo& info) = 0;
    // `size` is the cumulative count of bytes available; `stream` is handed
    // over with the first notification (medium type stream).
    virtual HRESULT OnDataAvailable(std::uint32_t flags, std::uint64_t size,
                                    std::uint32_t mediumType, TBindStream* stream) = 0;
    virtual HRESULT OnObjectAvailable() = 0;
    virtual HRESULT BeginningTransaction(const QString& url, const QString& headers,
                                         std::uint32_t reserved, QString& additionalHeaders) = 0;
    virtual HRESULT OnResponse(std::uint32_t responseCode, const QString& responseHeaders,
                               const QString& requestHeaders,
                               QString& additionalRequestHeaders) = 0;
    virtual HRESULT Authenticate(QString& userName, QString& password) = 0;
    virtual HRESULT OnSecurityProblem(std::uint32_t problem) = 0;
};

class TUrlMoniker;

// The asynchronous bind context: the callback a binding reports to.
class TBindContext {
public:
    explicit TBindContext(IBindStatusCallback* callback) : FCallback(callback) {}
    IBindStatusCallback* Callback() const { return FCallback; }

private:
    IBindStatusCallback* FCallback;
};

HRESULT CreateURLMoniker(const QString& url, std::unique_ptr<TUrlMoniker>& moniker);
HRESULT CreateAsyncBindCtx(IBindStatusCallback* callback, std::unique_ptr<TBindContext>& context);
// S_OK for an http or https URL with a host, S_FALSE otherwise.
HRESULT IsValidURL(const TBindContext* context, const QString& url);

class TUrlMoniker {
public:
    explicit TUrlMoniker(QString url) : FUrl(std::move(url)) {}
    const QString& Url() const { return FUrl; }
    // Starts the transfer: MK_S_ASYNCHRONOUS when the callback asked for an
    // asynchronous binding (notifications follow on the event loop), else it
    // runs to its stop before returning S_OK.
    HRESULT BindToStorage(const TBindContext& context);

private:
    QString FUrl;
};

// One transfer. It keeps itself alive until its stop has been delivered.
class TBinding : public QObject, public std::enable_shared_from_this<TBinding> {
public:
    TBinding(QString url, IBindStatusCallback* callback);
    ~TBinding() override;

    // Ends the transfer; the stop follows with E_ABORT, never inside the
    // call, so a callback may abort and return safely.
    void Abort();
    // The callback is going away: no more notifications, not even the stop.
    void Detach();

    // The final response's headers (case-insensitive names).
    std::optional<QByteArray> ResponseHeader(const QByteArray& name) const;
    // Content-Length as a number, when the header is there and numeric.
    std::optional<std::uint64_t> ContentLength() const;
    // Whether the body came in chunks: then its end is marked, and curl
    // fails a chunked body that was cut off.
    bool Chunked() const;

    // The start; used by TUrlMoniker.
    HRESULT Start();

private:
    struct TSocketWatch {
        QSocketNotifier* Read = nullptr;
        QSocketNotifier* Write = nullptr;
    };

    void Transact();
    bool SetUpTransfer(const QString& additionalHeaders, const QString& user,
                       const QString& password);
    void RunBlocking();
    void Pump(long socket, int eventMask);
    void DeliverData(bool final);
    void CheckDone();
    void Complete(int curlCode);
    void ResumeReceiving();
    void Finish(HRESULT result, const QString& text = QString());
    void ScheduleFinish(HRESULT result);
    void ReleaseTransfer();
    void DropSocketWatches();
    bool Respond();
    bool HeaderBlockEnded();
    // Whether a redirect to `location` would move from https to anything else.
    bool LeavesHttps(const QByteArray& location) const;
    void Progress(std::uint32_t status, const QString& text);

    static std::size_t HeaderCallback(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t WriteCallback(char* data, std::size_t size, std::size_t count, void* self);
    static int SocketCallback(CURL* easy, long socket, int what, void* self, void* socketData);
    static int TimerCallback(CURLM* multi, long timeoutMs, void* self);
    void WatchSocket(long socket, int what);

    QString FUrl;
    IBindStatusCallback* FCallback;
    std::shared_ptr<TBinding> FSelf;  // held until the stop has been delivered
    std::uint32_t FBindFlags = 0;
    TBindInfo FInfo;
    bool FAsync = true;
    bool FAborted = false;
    bool FStopped = false;
    bool FFinishPosted = false;
    bool FResponded = false;
    bool FFirstData = true;
    bool FPaused = false;     // the receiver has a full burst waiting
    bool FAuthTried = false;  // the first challenge was answered with credentials
    bool FSkipBody = false;   // the body of an answered challenge

    CURLM* FMulti = nullptr;
    CURL* FEasy = nullptr;
    void* FHeaderList = nullptr;  // curl_slist*
    QByteArray FRequestUrl;
    QString FRequestHeaders;
    QByteArray FUser, FPassword, FVerb;
    QTimer FCurlTimer;
    std::map<long, TSocketWatch> FSockets;

    std::uint32_t FStatus = 0;
    QByteArray FRawHeaders;
    std::vector<std::pair<QByteArray, QByteArray>> FHeaderFields;
    TBindStream FStream;
    std::uint64_t FReceived = 0;   // bytes written into FStream
    std::uint64_t FAnnounced = 0;  // bytes announced by data notifications
    QElapsedTimer FLastProgress;
};

}  // namespace vantrel::platform
