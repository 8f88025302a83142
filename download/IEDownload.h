// TIEDownload: fetches a URL into a file or into memory through the
// asynchronous URL binding, with resume of a partial file by byte range, an
// idle time-out, progress events with elapsed, speed and remaining texts,
// request headers and credentials from its properties, and one cancel flag
// for all of its requests. Each request is carried by a TBSCB.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "platform/qt/BindResults.h"

namespace vantrel {

using platform::HRESULT;

class TBSCB;
class TStream;

// Ordinal n stands for the bind flag 2^n.
enum class TBindInfoOption : std::uint32_t {
    Asynchronous,
    AsyncStorage,
    NoProgressiveRendering,
    OfflineOperation,
    GetNewestVersion,
    NoWriteCache,
    NeedFile,
    PullData,
    IgnoreSecurityProblem,
    Resynchronize,
    Hyperlink,
    No_UI,
    SilentOperation,
    Pragma_No_Cache,
    GetClassObject,
    Reserved_1,
    Free_Threaded,
    Direct_Read,
    Forms_Submit,
    GetFromCache_If_Net_Fail,
    FromUrlmon,
    Fwd_Back,
    Reserved_2,
    Reserved_3,
};
using TBindInfoOptions = std::set<TBindInfoOption>;

std::uint32_t BindFlagsOf(const TBindInfoOptions& options);

enum class TCodePageOption { Ansi, OEM, Mac, ThreadsAnsi, Symbol, UTF7, UTF8 };
std::uint32_t CodePageNumber(TCodePageOption option);

enum class TBindVerbOption { Get, Post, Put, Custom };
std::uint32_t VerbNumber(TBindVerbOption option);

enum class TUrlEncodeOption { PostData, ExtraInfo };
using TUrlEncodeOptions = std::set<TUrlEncodeOption>;

struct TRange {
    std::int32_t RangeBegin = 0;
    std::int32_t RangeEnd = 0;
};

struct TSecurity {
    bool InheritHandle = false;
    QString Descriptor;
};

using TOnProgressEvent = std::function<void(TBSCB* Sender, std::uint32_t ulProgress,
                                            std::uint32_t ulProgressMax, std::uint32_t ulStatusCode,
                                            const QString& szStatusText, const QString& ElapsedTime,
                                            const QString& Speed, const QString& EstimatedTime)>;
// What an OnResume handler makes of the partial file a download into a file
// finds. It is a 32-bit number: a value not named here continues too.
enum class TResumeAction : std::uint32_t {
    Continue = 0,  // ask for the bytes after the file's end and append them
    Restart = 1,   // ask for the whole package and write the file anew
    Abort = 2,     // send nothing: the request ends with E_ABORT
};
using TOnResumeEvent =
    std::function<void(TBSCB* Sender, const QString& Filename, TResumeAction& Action)>;
using TBeginningTransactionEvent =
    std::function<HRESULT(TBSCB* Sender, const QString& szURL, const QString& szHeaders,
                          std::uint32_t dwReserved, QString& szAdditionalHeaders)>;
using TOnResponseEvent = std::function<HRESULT(
    TBSCB* Sender, std::uint32_t dwResponseCode, const QString& szResponseHeaders,
    const QString& szRequestHeaders, QString& szAdditionalRequestHeaders)>;
using TAuthenticateEvent =
    std::function<HRESULT(TBSCB* Sender, quintptr& hwnd, QString& szUserName, QString& szPassWord)>;
// `Stream` is valid only during the event and may be null.
using TOnCompleteEvent = std::function<void(TBSCB* Sender, TStream* Stream, HRESULT Result)>;
// A handler that replaces `Buffer` frees the old one with std::free and
// allocates the new one with std::malloc: the request frees whatever buffer
// is left in place with std::free.
using TOnDataEvent =
    std::function<void(TBSCB* Sender, std::uint8_t*& Buffer, std::uint32_t& BufLength)>;
using TGetWindowEvent =
    std::function<HRESULT(TBSCB* Sender, const QUuid& guidReason, std::uint32_t& hwnd)>;
using TOnSecurityProblemEvent = std::function<HRESULT(TBSCB* Sender, std::uint32_t dwProblem)>;

// The snapshot of one request, taken from the properties by Download.
struct TInfo {
    class TIEDownload* Owner = nullptr;
    QString Url;
    std::int32_t TimeOut = 0;
    QString FileName;  // empty: into memory
    QString PostData;
    QString PutFileName;
    QStringList HeaderLines;
    QString Password;
    QString UserName;
    QString CustomVerb;
    QString ExtraInfo;
    QString Descriptor;
    QString UserAgent;
    // 64-bit: a partial file may hold more than 2 GiB.
    std::int64_t RangeBegin = 0;
    std::int64_t RangeEnd = 0;
    bool InheritHandle = false;
    std::uint32_t Verb = 0;
    std::uint32_t BindFlags = 0;
    std::uint32_t BindInfoFlags = 0;
    std::uint32_t CodePage = 0;
    QObject* HTMLDocument = nullptr;
    QObject* DomElement = nullptr;
};

class TIEDownload : public QObject {
public:
    explicit TIEDownload(QObject* parent = nullptr);
    ~TIEDownload() override;

    // Published properties (those with side effects have setters).
    std::int32_t TimeOut = 0;
    QString ExtraInfo;
    QString CustomVerb;
    TCodePageOption Codepage() const { return FCodepage; }
    void SetCodepage(TCodePageOption value);
    TBindVerbOption Method() const { return FMethod; }
    void SetMethod(TBindVerbOption value);
    const TBindInfoOptions& Options() const { return FOptions; }
    void SetOptions(const TBindInfoOptions& value);
    TUrlEncodeOptions UrlEncode;
    TSecurity Security;
    TRange Range;
    QString Password;
    QString Username;
    QString PutFileName;
    const QStringList& AdditionalHeader() const { return FAdditionalHeader; }
    void SetAdditionalHeader(const QStringList& lines) { FAdditionalHeader = lines; }
    QString PostData;
    QString UserAgent;
    QObject* DomElement = nullptr;
    QObject* HTMLDocument = nullptr;

    // Event slots.
    TOnProgressEvent OnProgress;
    TOnResumeEvent OnResume;
    TBeginningTransactionEvent OnBeginningTransaction;
    TOnResponseEvent OnResponse;
    TAuthenticateEvent OnAuthenticate;
    TOnCompleteEvent OnComplete;
    TOnDataEvent OnData;
    TGetWindowEvent OnGetWindow;
    TOnSecurityProblemEvent OnSecurityProblem;

    std::uint32_t BindFlags() const { return FBindFlags; }
    bool Cancelled() const { return FCancelled; }
    // Requests still running (asynchronous mode).
    std::size_t RequestCount() const { return FRequests.size(); }

    // Starts fetching `Url` into `FileName` (empty: into memory).
    void Download(const QString& Url, const QString& FileName);
    // Every running request aborts at its next notification.
    void Cancel() { FCancelled = true; }

    // Called by a request at its stop: frees it.
    void RemoveRequest(TBSCB* request);

private:
    TInfo MakeInfo(const QString& url, const QString& fileName) const;

    TCodePageOption FCodepage = TCodePageOption::Ansi;
    TBindVerbOption FMethod = TBindVerbOption::Get;
    TBindInfoOptions FOptions;
    QStringList FAdditionalHeader;
    std::vector<std::unique_ptr<TBSCB>> FRequests;
    bool FCancelled = false;
    std::uint32_t FBindFlags = 0;
    std::uint32_t FVerbNumber = 0;
    std::uint32_t FCodePageNumber = 0;
};

// The English text of a binding status code.
QString BindStatusText(std::uint32_t code);

// The system's configured user-agent text, empty when there is none.
QString SystemUserAgent();

}  // namespace vantrel
