#include "window/download/BSCB.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include "window/download/CacheFiles.h"
#include "window/download/TransferTexts.h"

namespace vantrel {

using namespace platform;

namespace {

// A put body is read whole into memory; anything this size is not a form.
constexpr std::int64_t kMaxPutFileSize = 0x7FFFFFFF;
// The binding holds at most a few network bursts; a larger count than this
// from it would be a fault, and is read in pieces of this size.
constexpr std::uint64_t kMaxChunk = std::uint64_t{64} * 1024 * 1024;

// A 416 means "the file is complete" only when the sizes say so; with
// nothing recorded and no total in the answer there is nothing to compare.
bool RangeRefusalMeansComplete(const std::optional<TResumeRecord>& resume, std::int64_t rangeBegin,
                               const std::optional<std::string>& contentRange) {
    const auto begin = static_cast<std::uint64_t>(rangeBegin);
    const bool recorded = resume && resume->Total;
    if (recorded && *resume->Total != begin) {
        return false;
    }
    const auto answered = ParseContentRange(contentRange);
    return !answered || !answered->Total || *answered->Total == begin;
}

// The event's figures are 32-bit and the window's bar takes them as signed;
// a package over 2 GiB is reported in coarser units, both figures alike, so
// that their ratio (the percentage) stays right.
// Milliseconds since the first data arrived, -1 before.
std::int64_t ElapsedMs(const std::optional<std::chrono::steady_clock::time_point>& start) {
    if (!start) {
        return -1;
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 *start)
        .count();
}

void ScaleToInt32(std::uint64_t& progress, std::uint64_t& max) {
    constexpr std::uint64_t kLimit = 0x7FFFFFFF;
    while (progress > kLimit || max > kLimit) {
        progress >>= 1;
        max >>= 1;
    }
}

}  // namespace

TBSCB::TBSCB(const TInfo& info)
    : FInfo(info),
      FOwner(info.Owner),
      FUrl(info.Url),
      FMemoryStream(std::make_unique<TMemoryStream>()) {}

TBSCB::~TBSCB() {
    if (FBinding) {
        FBinding->Detach();
    }
}

void TBSCB::FireComplete(TStream* stream, HRESULT result) {
    if (FOwner->OnComplete) {
        FOwner->OnComplete(this, stream, result);
    }
}

void TBSCB::AbortBinding() {
    if (FBinding) {
        FBinding->Abort();
    }
}

// ---- Starting ------------------------------------------------------------

bool TBSCB::Start() {
    if (FUrl.empty()) {
        FireComplete(nullptr, E_INVALIDARG);
        return false;
    }
    IUrlBinder& binder = FOwner->Binder();
    if (binder.IsValidURL(FUrl) != S_OK) {
        FireComplete(nullptr, MK_E_SYNTAX);
        return false;
    }
    const HRESULT hr = binder.BindToStorage(FUrl, *this);
    if (hr != S_OK && hr != MK_S_ASYNCHRONOUS) {
        FireComplete(nullptr, hr);
        return false;
    }
    return true;
}

// An abort here, at the beginning of the transaction or at the response is
// reported at once and once more when the binding stops; callers tell the
// two reports apart by result and response code.
HRESULT TBSCB::OnStartBinding(const std::shared_ptr<IBinding>& binding) {
    if (FOwner->Cancelled()) {
        FireComplete(nullptr, E_ABORT);
        return E_FAIL;
    }
    FBinding = binding;
    return S_OK;
}

HRESULT TBSCB::GetPriority() {
    if (FOwner->Cancelled()) {
        AbortBinding();
    }
    return S_OK;
}

// ---- Bind info -----------------------------------------------------------

bool TBSCB::ReadPutFile(std::vector<std::uint8_t>& body) const {
    std::ifstream file(FInfo.PutFileName, std::ios::binary | std::ios::ate);
    if (!file) {
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size < 0 || size > kMaxPutFileSize || !file.seekg(0)) {
        return false;
    }
    body.resize(static_cast<std::size_t>(size));
    return static_cast<bool>(
        file.read(reinterpret_cast<char*>(body.data()), static_cast<std::streamsize>(size)));
}

HRESULT TBSCB::GetBindInfo(std::uint32_t& bindFlags, TBindInfo& info) {
    bindFlags = FInfo.BindFlags;
    info = TBindInfo{};
    info.Size = kBindInfoRecordSize;
    info.ExtraInfo = FInfo.ExtraInfo;
    info.BindInfoFlags = 0;
    info.BindVerb = Redirecting ? BINDVERB_GET : FInfo.Verb;
    if (info.BindVerb == BINDVERB_CUSTOM && !FInfo.CustomVerb.empty()) {
        info.CustomVerb = FInfo.CustomVerb;
    }
    if (FInfo.Verb == BINDVERB_PUT) {
        if (!ReadPutFile(info.Body)) {
            // Sending an empty body in place of the file would report a
            // failed upload as done.
            return STG_E_READFAULT;
        }
    } else if (FInfo.Verb == BINDVERB_POST) {
        info.Body.assign(FInfo.PostData.begin(), FInfo.PostData.end());
        info.Body.push_back(0);
    }
    info.MediumType = info.BindVerb != BINDVERB_GET ? TYMED_HGLOBAL : TYMED_NULL;
    info.CodePage = FInfo.CodePage;
    info.Security.Length = kSecurityAttributesRecordSize;
    info.Security.Descriptor = FInfo.Descriptor;
    info.Security.InheritHandle = FInfo.InheritHandle;
    return S_OK;
}

// ---- Beginning of transaction --------------------------------------------

bool TBSCB::ApplyResume() {
    if (FInfo.FileName.empty()) {
        return true;
    }
    // A link in the partial file's place is never written through: it goes
    // with its record, and the package starts over.
    const cache::TFileState file = cache::FileStateOf(FInfo.FileName);
    if (file.IsLink) {
        cache::RemoveOwnFile(FInfo.FileName);
        RemoveResumeRecord(FInfo.FileName);
    }
    if (!file.Exists || file.IsLink) {
        FInfo.RangeBegin = 0;
        FInfo.RangeEnd = 0;
        return true;
    }
    FInfo.RangeEnd = 0;
    TResumeAction action = TResumeAction::Continue;
    if (FOwner->OnResume) {
        FOwner->OnResume(this, FInfo.FileName, action);
    }
    if (action == TResumeAction::Restart) {
        FInfo.RangeBegin = 0;
    } else if (action == TResumeAction::Abort) {
        return false;
    } else {
        FInfo.RangeBegin = file.Size;
        FResume = ReadResumeRecord(FInfo.FileName);
        if (FResume && FResume->Restart) {
            FInfo.RangeBegin = 0;
        }
    }
    return true;
}

std::string TBSCB::BuildHeaderText() const {
    std::string text;
    if (!FInfo.UserAgent.empty()) {
        text = "User-agent: " + FInfo.UserAgent + "\r\n";
    }
    if (FInfo.RangeBegin != 0 || FInfo.RangeEnd != 0) {
        text += "Range: bytes=" + std::to_string(FInfo.RangeBegin) + '-';
        if (FInfo.RangeEnd != 0) {
            text += std::to_string(FInfo.RangeEnd);
        }
        text += "\r\n";
        // A server whose package is no longer the one this file began as
        // answers with all of the new one instead of a part.
        if (FResume && FInfo.RangeBegin != 0 && !FResume->Validator.empty()) {
            text += "If-Range: " + FResume->Validator + "\r\n";
        }
    }
    if (!FInfo.HeaderLines.empty() && !FInfo.HeaderLines.front().empty()) {
        for (const std::string& line : FInfo.HeaderLines) {
            text += line + "\r\n";
        }
    }
    return text;
}

void TBSCB::ArmTimeOut() {
    FTimer = FOwner->Timers().CreateTimer(TTimerKind::SingleShot, [this] {
        TimedOut = true;
        AbortBinding();
    });
    // An interval of 0 means no time-out at all.
    if (FInfo.TimeOut > 0) {
        FTimer->Start(FInfo.TimeOut);
    }
    TimedOut = false;
}

HRESULT TBSCB::BeginningTransaction(const std::string& url, const std::string& headers,
                                    std::uint32_t reserved, std::string& additionalHeaders) {
    if (FOwner->Cancelled()) {
        FireComplete(nullptr, E_ABORT);
        return E_ABORT;
    }
    if (!ApplyResume()) {
        // Not reported here: the stop of the binding reports this abort.
        return E_ABORT;
    }
    additionalHeaders = BuildHeaderText();
    HRESULT result = S_OK;
    if (FOwner->OnBeginningTransaction) {
        result = FOwner->OnBeginningTransaction(this, url, headers, reserved, additionalHeaders);
    }
    ArmTimeOut();
    return result;
}

// ---- Response ------------------------------------------------------------

// An empty answer to a resume is the package only when the file already
// holds all of it.
bool TBSCB::AcceptEmptyAnswer() const {
    return FInfo.RangeBegin != 0 && FResume && FResume->Total &&
           *FResume->Total == static_cast<std::uint64_t>(FInfo.RangeBegin);
}

// The server disagrees with the partial file: the next request starts over.
void TBSCB::GiveUpPartialFile() {
    TResumeRecord record = FResume.value_or(TResumeRecord{});
    record.Restart = true;
    WriteResumeRecord(FInfo.FileName, record);
}

bool TBSCB::CreateOutput() {
    // The old record must never describe the new file's bytes.
    RemoveResumeRecord(FInfo.FileName);
    FFileStream = std::make_unique<TFileStream>(FInfo.FileName, TFileStream::TMode::CreateNew);
    if (!FFileStream->IsOpen()) {
        OutputError = FFileStream->Error();
        FFileStream.reset();
        FOutputFailure = STG_E_CANTSAVE;
        return false;
    }
    // Without a record a later resume still works, only unguarded.
    WriteResumeRecord(FInfo.FileName, {FTotal,
                                       ValidatorOf(FBinding->ResponseHeader("ETag"),
                                                   FBinding->ResponseHeader("Last-Modified")),
                                       false});
    return true;
}

// A 206 continues the file only when it starts where the file ends and is a
// part of the package the file began as.
HRESULT TBSCB::AcceptPart() {
    const auto range = ParseContentRange(FBinding->ResponseHeader("Content-Range"));
    if (!range || range->First != static_cast<std::uint64_t>(FInfo.RangeBegin)) {
        FOutputFailure = INET_E_DOWNLOAD_FAILURE;
        return E_ABORT;
    }
    const bool totalKnown = FResume && FResume->Total;
    const std::uint64_t known = totalKnown ? *FResume->Total : 0;
    if (!range->Total || range->Last >= *range->Total || (totalKnown && known != *range->Total)) {
        if (FInfo.RangeBegin != 0) {
            GiveUpPartialFile();
        }
        FOutputFailure = INET_E_DOWNLOAD_FAILURE;
        return E_ABORT;
    }
    FTotal = range->Total;
    if (FInfo.RangeBegin == 0) {
        return CreateOutput() ? S_OK : E_ABORT;
    }
    FFileStream = std::make_unique<TFileStream>(FInfo.FileName, TFileStream::TMode::AppendExisting);
    if (!FFileStream->IsOpen()) {
        OutputError = FFileStream->Error();
        FFileStream.reset();
        FOutputFailure = STG_E_CANTSAVE;
        return E_ABORT;
    }
    if (!FResume || !FResume->Total) {
        // A file from before records were kept: guard its further resumes.
        const std::string validator = ValidatorOf(FBinding->ResponseHeader("ETag"),
                                                  FBinding->ResponseHeader("Last-Modified"));
        WriteResumeRecord(FInfo.FileName, {FTotal, validator, false});
    }
    return S_OK;
}

HRESULT TBSCB::OpenOutput(std::uint32_t status) {
    if (FInfo.FileName.empty()) {
        return S_OK;
    }
    FEndMarked = FBinding->Chunked();
    if (status == 206) {
        return AcceptPart();
    }
    // The whole package, from its first byte.
    FInfo.RangeBegin = 0;
    FTotal = FBinding->ContentLength();
    if (cache::FileStateOf(FInfo.FileName).Size > 0) {
        FCreatePending = true;
        return S_OK;
    }
    return CreateOutput() ? S_OK : E_ABORT;
}

HRESULT TBSCB::OnResponse(std::uint32_t responseCode, const std::string& responseHeaders,
                          const std::string& requestHeaders,
                          std::string& additionalRequestHeaders) {
    ResponseCode = responseCode;
    // A 416 to a resume from the file's end means the package is complete:
    // it ends below as E_ABORT with 416, which the window takes as
    // downloaded. Only a 416 the sizes do not back gives the file up.
    if (responseCode == 416 && !FInfo.FileName.empty() && FInfo.RangeBegin != 0 &&
        !RangeRefusalMeansComplete(FResume, FInfo.RangeBegin,
                                   FBinding->ResponseHeader("Content-Range"))) {
        GiveUpPartialFile();
        FOutputFailure = INET_E_DOWNLOAD_FAILURE;
        return E_ABORT;
    }
    // An error page is never the package, whether the server or the client
    // is at fault, and even when it is empty.
    if (responseCode >= 400 && responseCode <= 599) {
        FireComplete(nullptr, E_ABORT);
        return E_ABORT;
    }
    // A redirect that ends here (no Location) is a page about the package,
    // never the package.
    if (responseCode >= 300 && responseCode <= 399) {
        FOutputFailure = INET_E_DOWNLOAD_FAILURE;
        return E_ABORT;
    }
    const auto length = FBinding ? FBinding->ContentLength() : std::nullopt;
    if (length && *length == 0) {
        if (FInfo.FileName.empty()) {
            // Success now; the stop of the binding reports E_ABORT after it.
            FireComplete(nullptr, S_OK);
            return E_ABORT;
        }
        // Into a file, nothing is not a package: the answer only confirms
        // a file that is complete already.
        if (!AcceptEmptyAnswer()) {
            FOutputFailure = INET_E_DOWNLOAD_FAILURE;
            return E_ABORT;
        }
        FAlreadyComplete = true;
    }
    if (FOwner->Cancelled()) {
        FireComplete(nullptr, E_ABORT);
        return E_ABORT;
    }
    HRESULT result = S_OK;
    if (FOwner->OnResponse) {
        result = FOwner->OnResponse(this, responseCode, responseHeaders, requestHeaders,
                                    additionalRequestHeaders);
    }
    if (FAlreadyComplete) {
        return result;
    }
    const HRESULT opened = OpenOutput(responseCode);
    return Failed(opened) ? opened : result;
}

// ---- Transfer ------------------------------------------------------------

HRESULT TBSCB::OnProgress(std::uint64_t progress, std::uint64_t progressMax,
                          std::uint32_t statusCode, const std::string& statusText) {
    if (FOwner->Cancelled()) {
        AbortBinding();
        return S_OK;
    }
    TTransferTexts texts;
    if (statusCode == BINDSTATUS_DOWNLOADINGDATA && FOwner->OnProgress) {
        texts = MakeTransferTexts(ElapsedMs(FStartTime), progress, progressMax, FOwner->Locale());
    }
    Redirecting = statusCode == BINDSTATUS_REDIRECTING;
    if (FOwner->OnProgress) {
        const auto begin = static_cast<std::uint64_t>(FInfo.RangeBegin);
        std::uint64_t shown = progress + begin;
        std::uint64_t shownMax = progressMax + begin;
        ScaleToInt32(shown, shownMax);
        FOwner->OnProgress(this, static_cast<std::uint32_t>(shown),
                           static_cast<std::uint32_t>(shownMax), statusCode, statusText,
                           texts.ElapsedTime, texts.Speed, texts.EstimatedTime);
    }
    return S_OK;
}

void TBSCB::WriteOutput(const std::uint8_t* buffer, std::uint32_t length) {
    if (length == 0) {
        return;
    }
    if (FInfo.FileName.empty()) {
        FMemoryStream->Write(buffer, length);
        return;
    }
    if (FCreatePending) {
        FCreatePending = false;
        if (!CreateOutput()) {
            AbortBinding();
            return;
        }
    }
    if (!FFileStream || FFileStream->Write(buffer, length) != length) {
        // A package with a hole in it must not complete as downloaded.
        if (FFileStream)
            OutputError = FFileStream->Error();
        FOutputFailure = STG_E_CANTSAVE;
        AbortBinding();
    }
}

HRESULT TBSCB::OnDataAvailable(std::uint32_t flags, std::uint64_t size, std::uint32_t mediumType,
                               TBindStream* stream) {
    if (!FStartTime) {
        FStartTime = std::chrono::steady_clock::now();
    }
    if (FOwner->Cancelled()) {
        AbortBinding();
        return S_OK;
    }
    if (FTimer && FInfo.TimeOut > 0) {
        FTimer->Start(FInfo.TimeOut);
    }
    if ((flags & BSCF_FIRSTDATANOTIFICATION) && !FDataStream && mediumType == TYMED_ISTREAM) {
        FDataStream = stream;
    }
    const auto chunk = static_cast<std::uint32_t>(std::min(size - BytesRead, kMaxChunk));
    if (chunk == 0 || !FDataStream) {
        return S_OK;
    }
    std::uint32_t n = 0;
    do {
        // One zero byte past the data: a data handler may read it as text.
        auto* buffer = static_cast<std::uint8_t*>(std::calloc(std::size_t{chunk} + 1, 1));
        if (!buffer) {
            FOutputFailure = E_OUTOFMEMORY;
            AbortBinding();
            return S_OK;
        }
        n = FDataStream->Read(buffer, chunk);
        std::uint32_t length = n;
        if (FOwner->OnData) {
            FOwner->OnData(this, buffer, length);
        }
        if (buffer) {
            WriteOutput(buffer, length);
        }
        // What was read, not what the handler left: sizes are the stream's.
        BytesRead += n;
        std::free(buffer);
    } while (n != 0 && FOutputFailure == S_OK);
    return S_OK;
}

HRESULT TBSCB::OnStopBinding(HRESULT result, const std::string& /*error*/) {
    if (FTimer) {
        FTimer->Stop();
    }
    if (TimedOut) {
        result = INET_E_CONNECTION_TIMEOUT;
    }
    if (FOutputFailure != S_OK) {
        result = FOutputFailure;
    }
    result = CheckFileComplete(result);
    if (!FInfo.FileName.empty()) {
        if (FFileStream) {
            FFileStream->Seek(0);
        }
        FireComplete(FFileStream.get(), result);
        if (FFileStream) {
            FFileStream->Close();
        }
    } else {
        FireComplete(FMemoryStream.get(), result);
    }
    if (FInfo.BindFlags & BINDF_ASYNCHRONOUS) {
        // Frees this object: nothing below may touch it.
        FOwner->RemoveRequest(this);
    }
    return S_OK;
}

HRESULT TBSCB::CheckFileComplete(HRESULT result) const {
    if (result != S_OK || FInfo.FileName.empty() || FAlreadyComplete) {
        return result;
    }
    // A body that ended early pauses, and the next resume continues it.
    if (!FFileStream) {
        return INET_E_DOWNLOAD_FAILURE;
    }
    if (FTotal) {
        return static_cast<std::uint64_t>(FFileStream->Size()) == *FTotal ? S_OK
                                                                          : INET_E_DOWNLOAD_FAILURE;
    }
    // Without a length only a marked end tells a whole body from a cut one.
    return FEndMarked ? S_OK : INET_E_DOWNLOAD_FAILURE;
}

// ---- Credentials, window, security ----------------------------------------

HRESULT TBSCB::Authenticate(std::string& userName, std::string& password) {
    if (FOwner->OnAuthenticate) {
        std::uintptr_t window = 0;
        return FOwner->OnAuthenticate(this, window, userName, password);
    }
    userName = FInfo.UserName;
    password = FInfo.Password;
    return S_OK;
}

HRESULT TBSCB::GetWindow(const TGuid& reason, std::uint32_t& hwnd) {
    if (FOwner->OnGetWindow) {
        return FOwner->OnGetWindow(this, reason, hwnd);
    }
    hwnd = 0;
    return S_OK;
}

HRESULT TBSCB::OnSecurityProblem(std::uint32_t problem) {
    if (FOwner->OnSecurityProblem) {
        return FOwner->OnSecurityProblem(this, problem);
    }
    return S_OK;
}

}  // namespace vantrel
