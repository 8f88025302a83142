// TIEDownload: fetches a URL into a file or into memory through the
// asynchronous URL binding, with resume of a partial file by byte range, an
// idle time-out, progress events with elapsed, speed and remaining texts,
// request headers and credentials from its properties, and one cancel flag
// for all of its requests. Each request is carried by a TBSCB.
//
// It runs on the front end's loop: the front end hands it the URL binding
// and the timers (UrlBinding.h, Timers.h), and the locale of its progress
// texts. Texts are UTF-8, file names in the local 8-bit encoding.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "window/download/BindResults.h"
#include "window/download/TransferTexts.h"

namespace vantrel::platform {
class IUrlBinder;
}

namespace vantrel {

using platform::HRESULT;

class ITimers;
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
    std::string Descriptor;
};

using TOnProgressEvent = std::function<void(
    TBSCB* Sender, std::uint32_t ulProgress, std::uint32_t ulProgressMax,
    std::uint32_t ulStatusCode, const std::string& szStatusText, const std::string& ElapsedTime,
    const std::string& Speed, const std::string& EstimatedTime)>;
// What an OnResume handler makes of the partial file a download into a file
// finds. It is a 32-bit number: a value not named here continues too.
enum class TResumeAction : std::uint32_t {
    Continue = 0,  // ask for the bytes after the file's end and append them
    Restart = 1,   // ask for the whole package and write the file anew
    Abort = 2,     // send nothing: the request ends with E_ABORT
};
using TOnResumeEvent =
    std::function<void(TBSCB* Sender, const std::string& Filename, TResumeAction& Action)>;
using TBeginningTransactionEvent =
    std::function<HRESULT(TBSCB* Sender, const std::string& szURL, const std::string& szHeaders,
                          std::uint32_t dwReserved, std::string& szAdditionalHeaders)>;
using TOnResponseEvent = std::function<HRESULT(
    TBSCB* Sender, std::uint32_t dwResponseCode, const std::string& szResponseHeaders,
    const std::string& szRequestHeaders, std::string& szAdditionalRequestHeaders)>;
using TAuthenticateEvent = std::function<HRESULT(TBSCB* Sender, std::uintptr_t& hwnd,
                                                 std::string& szUserName, std::string& szPassWord)>;
// `Stream` is valid only during the event and may be null.
using TOnCompleteEvent = std::function<void(TBSCB* Sender, TStream* Stream, HRESULT Result)>;
// A handler that replaces `Buffer` frees the old one with std::free and
// allocates the new one with std::malloc: the request frees whatever buffer
// is left in place with std::free.
using TOnDataEvent =
    std::function<void(TBSCB* Sender, std::uint8_t*& Buffer, std::uint32_t& BufLength)>;
// A GUID as its 16 bytes.
using TGuid = std::array<std::uint8_t, 16>;
using TGetWindowEvent =
    std::function<HRESULT(TBSCB* Sender, const TGuid& guidReason, std::uint32_t& hwnd)>;
using TOnSecurityProblemEvent = std::function<HRESULT(TBSCB* Sender, std::uint32_t dwProblem)>;

// The snapshot of one request, taken from the properties by Download.
struct TInfo {
    class TIEDownload* Owner = nullptr;
    std::string Url;
    std::int32_t TimeOut = 0;
    std::string FileName;  // empty: into memory
    std::string PostData;
    std::string PutFileName;
    std::vector<std::string> HeaderLines;
    std::string Password;
    std::string UserName;
    std::string CustomVerb;
    std::string ExtraInfo;
    std::string Descriptor;
    std::string UserAgent;
    // 64-bit: a partial file may hold more than 2 GiB.
    std::int64_t RangeBegin = 0;
    std::int64_t RangeEnd = 0;
    bool InheritHandle = false;
    std::uint32_t Verb = 0;
    std::uint32_t BindFlags = 0;
    std::uint32_t BindInfoFlags = 0;
    std::uint32_t CodePage = 0;
    void* HTMLDocument = nullptr;
    void* DomElement = nullptr;
};

class TIEDownload {
public:
    // `binder` and `timers` must outlive the component.
    TIEDownload(platform::IUrlBinder& binder, ITimers& timers, TTransferLocale locale = {});
    virtual ~TIEDownload();
    TIEDownload(const TIEDownload&) = delete;
    TIEDownload& operator=(const TIEDownload&) = delete;

    // Published properties (those with side effects have setters).
    std::int32_t TimeOut = 0;
    std::string ExtraInfo;
    std::string CustomVerb;
    TCodePageOption Codepage() const { return FCodepage; }
    void SetCodepage(TCodePageOption value);
    TBindVerbOption Method() const { return FMethod; }
    void SetMethod(TBindVerbOption value);
    const TBindInfoOptions& Options() const { return FOptions; }
    void SetOptions(const TBindInfoOptions& value);
    TUrlEncodeOptions UrlEncode;
    TSecurity Security;
    TRange Range;
    std::string Password;
    std::string Username;
    std::string PutFileName;
    const std::vector<std::string>& AdditionalHeader() const { return FAdditionalHeader; }
    void SetAdditionalHeader(const std::vector<std::string>& lines) { FAdditionalHeader = lines; }
    std::string PostData;
    std::string UserAgent;  // empty: none sent
    void* DomElement = nullptr;
    void* HTMLDocument = nullptr;

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
    void Download(const std::string& Url, const std::string& FileName);
    // Every running request aborts at its next notification.
    void Cancel() { FCancelled = true; }

    // Called by a request at its stop: frees it.
    void RemoveRequest(TBSCB* request);

    // The front end's services, for the requests.
    platform::IUrlBinder& Binder() const { return FBinder; }
    ITimers& Timers() const { return FTimers; }
    const TTransferLocale& Locale() const { return FLocale; }

private:
    TInfo MakeInfo(const std::string& url, const std::string& fileName) const;

    platform::IUrlBinder& FBinder;
    ITimers& FTimers;
    TTransferLocale FLocale;

    TCodePageOption FCodepage = TCodePageOption::Ansi;
    TBindVerbOption FMethod = TBindVerbOption::Get;
    TBindInfoOptions FOptions;
    std::vector<std::string> FAdditionalHeader;
    std::vector<std::unique_ptr<TBSCB>> FRequests;
    bool FCancelled = false;
    std::uint32_t FBindFlags = 0;
    std::uint32_t FVerbNumber = 0;
    std::uint32_t FCodePageNumber = 0;
};

// The English text of a binding status code.
std::string BindStatusText(std::uint32_t code);

}  // namespace vantrel
