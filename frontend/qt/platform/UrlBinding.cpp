#include "frontend/qt/platform/UrlBinding.h"

#include "platform/TlsTrust.h"

#include <curl/curl.h>

#include <QSocketNotifier>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace vantrel::platform {

namespace {

// Large reads keep the number of notifications per megabyte low; a transfer
// at loopback speed then costs the GUI thread a few events per burst.
constexpr long kReceiveBufferSize = long{512} * 1024;
// Progress of the running transfer is reported at most this often.
constexpr qint64 kProgressIntervalMs = 100;
// curl reads a socket for as long as it has data; beyond this much unread
// data the transfer pauses until the receiver has drained it, so memory
// stays flat whatever the package's size and an abort takes effect at once.
constexpr std::size_t kMaxPending = std::size_t{1024} * 1024;

HRESULT ResultOfCurl(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return S_OK;
        case CURLE_COULDNT_CONNECT:
            return INET_E_CANNOT_CONNECT;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return INET_E_RESOURCE_NOT_FOUND;
        case CURLE_OPERATION_TIMEDOUT:
            return INET_E_CONNECTION_TIMEOUT;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            return INET_E_SECURITY_PROBLEM;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return INET_E_UNKNOWN_PROTOCOL;
        case CURLE_OUT_OF_MEMORY:
            return E_OUTOFMEMORY;
        default:
            return INET_E_DOWNLOAD_FAILURE;
    }
}

curl_slist* AppendHeader(curl_slist* list, const QByteArray& line) {
    curl_slist* grown = curl_slist_append(list, line.constData());
    return grown ? grown : list;
}

}  // namespace

// ---- TQtUrlBinder -------------------------------------------------------

HRESULT TQtUrlBinder::IsValidURL(const std::string& url) const {
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        parsed.host().isEmpty()) {
        return S_FALSE;
    }
    return S_OK;
}

HRESULT TQtUrlBinder::BindToStorage(const std::string& url, IBindStatusCallback& callback) {
    if (url.empty()) {
        return E_INVALIDARG;
    }
    auto binding = std::make_shared<TBinding>(QString::fromStdString(url), &callback);
    return binding->Start();
}

// ---- TBinding ------------------------------------------------------------

TBinding::TBinding(QString url, IBindStatusCallback* callback)
    : FUrl(std::move(url)), FCallback(callback) {
    FCurlTimer.setSingleShot(true);
    connect(&FCurlTimer, &QTimer::timeout, this, [this] { Pump(CURL_SOCKET_TIMEOUT, 0); });
}

TBinding::~TBinding() {
    ReleaseTransfer();
}

HRESULT TBinding::Start() {
    FSelf = shared_from_this();
    HRESULT hr = FCallback->OnStartBinding(FSelf);
    if (Failed(hr) || FAborted) {
        ScheduleFinish(E_ABORT);
        return MK_S_ASYNCHRONOUS;
    }
    if (FCallback) {
        FCallback->GetPriority();
    }
    if (FCallback) {
        hr = FCallback->GetBindInfo(FBindFlags, FInfo);
        if (Failed(hr)) {
            ScheduleFinish(hr);
            return MK_S_ASYNCHRONOUS;
        }
    }
    FAsync = (FBindFlags & BINDF_ASYNCHRONOUS) != 0;
    if (!FAsync) {
        // A synchronous binding owns the caller until its stop.
        auto keep = FSelf;
        Transact();
        RunBlocking();
        return S_OK;
    }
    QTimer::singleShot(0, this, [keep = FSelf] { keep->Transact(); });
    return MK_S_ASYNCHRONOUS;
}

void TBinding::Abort() {
    FAborted = true;
    ScheduleFinish(E_ABORT);
}

void TBinding::Detach() {
    FCallback = nullptr;
    FAborted = true;
    ReleaseTransfer();
    ScheduleFinish(E_ABORT);
}

void TBinding::ScheduleFinish(HRESULT result) {
    if (FStopped || FFinishPosted) {
        return;
    }
    FFinishPosted = true;
    if (!FAsync) {
        // The blocking loop sees FAborted and finishes itself; a binding
        // that never got that far finishes here.
        if (!FEasy) {
            Finish(result);
        }
        return;
    }
    QTimer::singleShot(0, this, [this, result] {
        auto keep = shared_from_this();
        Finish(result);
    });
}

void TBinding::Progress(std::uint32_t status, const std::string& text) {
    if (FCallback && !FAborted) {
        FCallback->OnProgress(FReceived, ContentLength().value_or(0), status, text);
    }
}

void TBinding::Transact() {
    if (FStopped || FAborted || !FCallback) {
        ScheduleFinish(E_ABORT);
        return;
    }
    std::string additional;
    HRESULT hr = FAborted || !FCallback
                     ? E_ABORT
                     : FCallback->BeginningTransaction(FUrl.toStdString(), {}, 0, additional);
    if (Failed(hr) || FAborted || !FCallback) {
        FAborted = true;
        ScheduleFinish(Failed(hr) ? hr : E_ABORT);
        return;
    }
    std::string user, password;
    if (FCallback->Authenticate(user, password) != S_OK) {
        user.clear();
        password.clear();
    }
    if (!SetUpTransfer(additional, user, password)) {
        ScheduleFinish(E_OUTOFMEMORY);
        return;
    }
    const QUrl parsed(FUrl);
    Progress(BINDSTATUS_FINDINGRESOURCE, parsed.host().toStdString());
    Progress(BINDSTATUS_CONNECTING, parsed.host().toStdString());
    Progress(BINDSTATUS_SENDINGREQUEST, {});
    if (FAborted) {
        return;
    }
    if (FAsync) {
        curl_multi_setopt(FMulti, CURLMOPT_SOCKETFUNCTION, &TBinding::SocketCallback);
        curl_multi_setopt(FMulti, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(FMulti, CURLMOPT_TIMERFUNCTION, &TBinding::TimerCallback);
        curl_multi_setopt(FMulti, CURLMOPT_TIMERDATA, this);
    }
    curl_multi_add_handle(FMulti, FEasy);
}

bool TBinding::SetUpTransfer(const std::string& additionalHeaders, const std::string& user,
                             const std::string& password) {
    FMulti = curl_multi_init();
    FEasy = curl_easy_init();
    if (!FMulti || !FEasy) {
        return false;
    }
    FRequestUrl = FUrl.toUtf8();
    const bool isGet = FInfo.BindVerb == BINDVERB_GET ||
                       (FInfo.BindVerb == BINDVERB_CUSTOM && FInfo.CustomVerb.empty());
    if (isGet && !FInfo.ExtraInfo.empty()) {
        FRequestUrl += QByteArray::fromStdString(FInfo.ExtraInfo);
    }
    curl_slist* headers = nullptr;
    FRequestHeaders = additionalHeaders;
    for (std::size_t start = 0; start < additionalHeaders.size();) {
        const std::size_t end =
            std::min(additionalHeaders.find("\r\n", start), additionalHeaders.size());
        const QByteArray line =
            QByteArray::fromStdString(additionalHeaders.substr(start, end - start));
        if (!line.trimmed().isEmpty()) {
            headers = AppendHeader(headers, line);
        }
        start = end + 2;
    }
    if (FBindFlags & (BINDF_GETNEWESTVERSION | BINDF_RESYNCHRONIZE | BINDF_PRAGMA_NO_CACHE)) {
        headers = AppendHeader(headers, "Pragma: no-cache");
        headers = AppendHeader(headers, "Cache-Control: no-cache");
    }
    // The body goes out at once; waiting for "100 Continue" only costs time.
    headers = AppendHeader(headers, "Expect:");
    FHeaderList = headers;

    curl_easy_setopt(FEasy, CURLOPT_URL, FRequestUrl.constData());
    curl_easy_setopt(FEasy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(FEasy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(FEasy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(FEasy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(FEasy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(FEasy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(FEasy, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    curl_easy_setopt(FEasy, CURLOPT_HEADERFUNCTION, &TBinding::HeaderCallback);
    curl_easy_setopt(FEasy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(FEasy, CURLOPT_WRITEFUNCTION, &TBinding::WriteCallback);
    curl_easy_setopt(FEasy, CURLOPT_WRITEDATA, this);
    // BINDF_IGNORESECURITYPROBLEM is not honoured: a forged certificate
    // would let anyone on the path replace the package.
    curl_easy_setopt(FEasy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(FEasy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* caFile = CaFileOverride()) {
        curl_easy_setopt(FEasy, CURLOPT_CAINFO, caFile);
    }
    if (!isGet) {
        if (FInfo.BindVerb == BINDVERB_PUT) {
            FVerb = "PUT";
        } else if (FInfo.BindVerb == BINDVERB_CUSTOM) {
            FVerb = QByteArray::fromStdString(FInfo.CustomVerb);
        }
        if (!FVerb.isEmpty()) {
            curl_easy_setopt(FEasy, CURLOPT_CUSTOMREQUEST, FVerb.constData());
        }
        const bool hasBody = FInfo.MediumType == TYMED_HGLOBAL;
        curl_easy_setopt(FEasy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(hasBody ? FInfo.Body.size() : 0));
        curl_easy_setopt(FEasy, CURLOPT_POSTFIELDS,
                         hasBody ? reinterpret_cast<const char*>(FInfo.Body.data()) : "");
    } else if (FInfo.BindVerb == BINDVERB_CUSTOM) {
        curl_easy_setopt(FEasy, CURLOPT_HTTPGET, 1L);
    }
    if (!user.empty() || !password.empty()) {
        FUser = QByteArray::fromStdString(user);
        FPassword = QByteArray::fromStdString(password);
        curl_easy_setopt(FEasy, CURLOPT_USERNAME, FUser.constData());
        curl_easy_setopt(FEasy, CURLOPT_PASSWORD, FPassword.constData());
        // Credentials go out only once the server has asked for them.
        curl_easy_setopt(FEasy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
    }
    return true;
}

void TBinding::RunBlocking() {
    while (!FStopped) {
        if (FAborted || !FEasy) {
            Finish(E_ABORT);
            return;
        }
        int running = 0;
        curl_multi_perform(FMulti, &running);
        if (!FAborted) {
            DeliverData(false);
            ResumeReceiving();
        }
        CheckDone();
        if (!FStopped) {
            curl_multi_poll(FMulti, nullptr, 0, 100, nullptr);
        }
    }
}

void TBinding::Pump(long socket, int eventMask) {
    if (FStopped || !FMulti) {
        return;
    }
    auto keep = shared_from_this();
    int running = 0;
    curl_multi_socket_action(FMulti, static_cast<curl_socket_t>(socket), eventMask, &running);
    if (!FAborted) {
        DeliverData(false);
        ResumeReceiving();
    }
    CheckDone();
}

void TBinding::ResumeReceiving() {
    if (FPaused && FEasy && !FStopped && FStream.Pending() < kMaxPending) {
        FPaused = false;
        curl_easy_pause(FEasy, CURLPAUSE_CONT);
    }
}

void TBinding::DeliverData(bool final) {
    if (FReceived > FAnnounced && FCallback && !FAborted) {
        std::uint32_t flags =
            FFirstData ? BSCF_FIRSTDATANOTIFICATION : BSCF_INTERMEDIATEDATANOTIFICATION;
        if (final) {
            flags |= BSCF_LASTDATANOTIFICATION;
        }
        if (FFirstData) {
            Progress(BINDSTATUS_BEGINDOWNLOADDATA, {});
        }
        FFirstData = false;
        FAnnounced = FReceived;
        if (FCallback && !FAborted) {
            FCallback->OnDataAvailable(flags, FAnnounced, TYMED_ISTREAM, &FStream);
        }
        if (final || !FLastProgress.isValid() || FLastProgress.elapsed() >= kProgressIntervalMs) {
            FLastProgress.start();
            Progress(BINDSTATUS_DOWNLOADINGDATA, FUrl.toStdString());
        }
    }
}

void TBinding::CheckDone() {
    if (!FMulti || FStopped) {
        return;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(FMulti, &queued)) {
        if (message->msg == CURLMSG_DONE) {
            Complete(message->data.result);
            return;
        }
    }
}

void TBinding::Complete(int curlCode) {
    const auto code = static_cast<CURLcode>(curlCode);
    if (FAborted) {
        Finish(E_ABORT);
        return;
    }
    if (code == CURLE_OK) {
        if (!FResponded && !Respond()) {
            Finish(E_ABORT);
            return;
        }
        DeliverData(true);
        Progress(BINDSTATUS_DOWNLOADINGDATA, FUrl.toStdString());
        Progress(BINDSTATUS_ENDDOWNLOADDATA, FUrl.toStdString());
        Finish(FAborted ? E_ABORT : S_OK);
        return;
    }
    Finish(ResultOfCurl(code), curl_easy_strerror(code));
}

void TBinding::Finish(HRESULT result, const std::string& text) {
    if (FStopped) {
        return;
    }
    FStopped = true;
    ReleaseTransfer();
    IBindStatusCallback* callback = FCallback;
    FCallback = nullptr;
    // The callback may free the request that holds the other reference.
    auto keep = std::move(FSelf);
    if (callback) {
        callback->OnStopBinding(result, text);
    }
}

void TBinding::DropSocketWatches() {
    for (auto& [socket, watch] : FSockets) {
        // The notifier may be the one whose signal is being delivered.
        for (QSocketNotifier* notifier : {watch.Read, watch.Write}) {
            if (notifier) {
                notifier->setEnabled(false);
                notifier->deleteLater();
            }
        }
    }
    FSockets.clear();
}

void TBinding::ReleaseTransfer() {
    FCurlTimer.stop();
    DropSocketWatches();
    if (FMulti && FEasy) {
        curl_multi_remove_handle(FMulti, FEasy);
    }
    if (FEasy) {
        curl_easy_cleanup(FEasy);
        FEasy = nullptr;
    }
    if (FMulti) {
        curl_multi_cleanup(FMulti);
        FMulti = nullptr;
    }
    // Notifiers created by the removal above are not wanted either.
    DropSocketWatches();
    if (FHeaderList) {
        curl_slist_free_all(static_cast<curl_slist*>(FHeaderList));
        FHeaderList = nullptr;
    }
}

// ---- Response headers ----------------------------------------------------

std::optional<std::string> TBinding::ResponseHeader(std::string_view name) const {
    const QByteArray wanted =
        QByteArray::fromRawData(name.data(), static_cast<qsizetype>(name.size()));
    for (const auto& [field, value] : FHeaderFields) {
        if (field.compare(wanted, Qt::CaseInsensitive) == 0) {
            return value.toStdString();
        }
    }
    return std::nullopt;
}

bool TBinding::Respond() {
    FResponded = true;
    if (!FCallback || FAborted) {
        return false;
    }
    std::string additional;
    const HRESULT hr =
        FCallback->OnResponse(FStatus, FRawHeaders.toStdString(), FRequestHeaders, additional);
    if (Failed(hr)) {
        FAborted = true;
    }
    return !FAborted && FCallback;
}

// A header block ends: a redirect is reported and followed, an interim
// answer ignored, the final one handed to the response callback.
bool TBinding::HeaderBlockEnded() {
    if (FStatus >= 100 && FStatus < 200) {
        return true;
    }
    // The first challenge is curl's to answer with the credentials; only
    // the answer to that retry is the response.
    if ((FStatus == 401 || FStatus == 407) && (!FUser.isEmpty() || !FPassword.isEmpty()) &&
        !FAuthTried) {
        FAuthTried = true;
        FSkipBody = true;
        return true;
    }
    if (FStatus >= 300 && FStatus < 400) {
        if (const auto location = ResponseHeader("Location")) {
            // What was asked for over https never continues in the clear,
            // where anyone on the way could answer in the server's place.
            if (LeavesHttps(QByteArray::fromStdString(*location))) {
                FAborted = true;
                return false;
            }
            Progress(BINDSTATUS_REDIRECTING, *location);
            return !FAborted;
        }
    }
    return Respond();
}

bool TBinding::LeavesHttps(const QByteArray& location) const {
    char* current = nullptr;
    curl_easy_getinfo(FEasy, CURLINFO_EFFECTIVE_URL, &current);
    const QUrl from(QString::fromUtf8(current != nullptr ? current : FRequestUrl.constData()));
    const QUrl to = from.resolved(QUrl(QString::fromUtf8(location)));
    return from.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 &&
           to.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0;
}

std::size_t TBinding::HeaderCallback(char* data, std::size_t size, std::size_t count, void* self) {
    auto* binding = static_cast<TBinding*>(self);
    const std::size_t length = size * count;
    if (binding->FAborted) {
        return 0;
    }
    const QByteArray line(data, static_cast<qsizetype>(length));
    if (line.startsWith("HTTP/")) {
        binding->FSkipBody = false;
        binding->FRawHeaders = line;
        binding->FHeaderFields.clear();
        const QList<QByteArray> parts = line.simplified().split(' ');
        binding->FStatus = parts.size() >= 2 ? parts[1].toUInt() : 0;
        return length;
    }
    binding->FRawHeaders += line;
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty()) {
        return binding->HeaderBlockEnded() ? length : 0;
    }
    const qsizetype colon = trimmed.indexOf(':');
    if (colon > 0) {
        binding->FHeaderFields.emplace_back(trimmed.left(colon).trimmed(),
                                            trimmed.mid(colon + 1).trimmed());
    }
    return length;
}

std::size_t TBinding::WriteCallback(char* data, std::size_t size, std::size_t count, void* self) {
    auto* binding = static_cast<TBinding*>(self);
    const std::size_t length = size * count;
    if (binding->FAborted) {
        return 0;
    }
    if (binding->FSkipBody) {
        return length;
    }
    if (!binding->FResponded && !binding->Respond()) {
        return 0;
    }
    if (binding->FStream.Pending() >= kMaxPending) {
        binding->FPaused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    binding->FStream.Append(data, length);
    binding->FReceived += length;
    return length;
}

// ---- Event loop integration ---------------------------------------------

int TBinding::SocketCallback(CURL* /*easy*/, long socket, int what, void* self,
                             void* /*socketData*/) {
    static_cast<TBinding*>(self)->WatchSocket(socket, what);
    return 0;
}

void TBinding::WatchSocket(long socket, int what) {
    if (what == CURL_POLL_REMOVE) {
        auto found = FSockets.find(socket);
        if (found != FSockets.end()) {
            for (QSocketNotifier* notifier : {found->second.Read, found->second.Write}) {
                if (notifier) {
                    notifier->setEnabled(false);
                    notifier->deleteLater();
                }
            }
            FSockets.erase(found);
        }
        return;
    }
    TSocketWatch& watch = FSockets[socket];
    if (!watch.Read) {
        watch.Read = new QSocketNotifier(static_cast<qintptr>(socket), QSocketNotifier::Read, this);
        connect(watch.Read, &QSocketNotifier::activated, this,
                [this, socket] { Pump(socket, CURL_CSELECT_IN); });
    }
    if (!watch.Write) {
        watch.Write =
            new QSocketNotifier(static_cast<qintptr>(socket), QSocketNotifier::Write, this);
        connect(watch.Write, &QSocketNotifier::activated, this,
                [this, socket] { Pump(socket, CURL_CSELECT_OUT); });
    }
    watch.Read->setEnabled((what & CURL_POLL_IN) != 0);
    watch.Write->setEnabled((what & CURL_POLL_OUT) != 0);
}

int TBinding::TimerCallback(CURLM* /*multi*/, long timeoutMs, void* self) {
    auto* binding = static_cast<TBinding*>(self);
    if (timeoutMs < 0) {
        binding->FCurlTimer.stop();
    } else {
        binding->FCurlTimer.start(static_cast<int>(timeoutMs));
    }
    return 0;
}

}  // namespace vantrel::platform
