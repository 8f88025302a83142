// The Qt front end's URL binding (see window/download/UrlBinding.h): an HTTP
// transfer on libcurl's multi interface, driven by QSocketNotifier and QTimer
// on the GUI thread, that reports to a binding-status callback in the order
// the download component expects (start, bind info, transaction, response,
// progress, data, exactly one stop). No worker threads: every notification
// runs on the loop.
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

#include "window/download/UrlBinding.h"

typedef void CURL;
typedef void CURLM;
class QSocketNotifier;

namespace vantrel::platform {

// The curl binding as the download component's URL binder.
class TQtUrlBinder : public IUrlBinder {
public:
    HRESULT IsValidURL(const std::string& url) const override;
    HRESULT BindToStorage(const std::string& url, IBindStatusCallback& callback) override;
};

// One transfer. It keeps itself alive until its stop has been delivered.
class TBinding : public QObject, public IBinding, public std::enable_shared_from_this<TBinding> {
public:
    TBinding(QString url, IBindStatusCallback* callback);
    ~TBinding() override;

    void Abort() override;
    void Detach() override;
    std::optional<std::string> ResponseHeader(std::string_view name) const override;

    // The start; used by TQtUrlBinder.
    HRESULT Start();

private:
    struct TSocketWatch {
        QSocketNotifier* Read = nullptr;
        QSocketNotifier* Write = nullptr;
    };

    void Transact();
    bool SetUpTransfer(const std::string& additionalHeaders, const std::string& user,
                       const std::string& password);
    void RunBlocking();
    void Pump(long socket, int eventMask);
    void DeliverData(bool final);
    void CheckDone();
    void Complete(int curlCode);
    void ResumeReceiving();
    void Finish(HRESULT result, const std::string& text = {});
    void ScheduleFinish(HRESULT result);
    void ReleaseTransfer();
    void DropSocketWatches();
    bool Respond();
    bool HeaderBlockEnded();
    // Whether a redirect to `location` would move from https to anything else.
    bool LeavesHttps(const QByteArray& location) const;
    void Progress(std::uint32_t status, const std::string& text);

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
    std::string FRequestHeaders;
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
