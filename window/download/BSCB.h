// TBSCB: one request of TIEDownload. It receives the binding's notifications
// and turns them into the component's events; it owns the output stream and
// the idle time-out timer.
#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "window/download/IEDownload.h"
#include "window/download/ResumeRecord.h"
#include "window/download/Streams.h"
#include "window/download/Timers.h"
#include "window/download/UrlBinding.h"

namespace vantrel {

class TBSCB : public platform::IBindStatusCallback {
public:
    explicit TBSCB(const TInfo& info);
    ~TBSCB() override;
    TBSCB(const TBSCB&) = delete;
    TBSCB& operator=(const TBSCB&) = delete;

    // Starts the binding; false when it could not start, after OnComplete
    // has reported why.
    bool Start();

    // HTTP status of the response, 0 until it arrives.
    std::uint32_t ResponseCode = 0;
    // Why the file could not be opened or written (an errno value), when the
    // request ended with STG_E_CANTSAVE; 0 otherwise.
    int OutputError = 0;
    const TInfo& Info() const { return FInfo; }

    HRESULT OnStartBinding(const std::shared_ptr<platform::IBinding>& binding) override;
    HRESULT GetPriority() override;
    HRESULT OnLowResource() override { return platform::S_OK; }
    HRESULT OnProgress(std::uint64_t progress, std::uint64_t progressMax, std::uint32_t statusCode,
                       const std::string& statusText) override;
    HRESULT OnStopBinding(HRESULT result, const std::string& error) override;
    HRESULT GetBindInfo(std::uint32_t& bindFlags, platform::TBindInfo& info) override;
    HRESULT OnDataAvailable(std::uint32_t flags, std::uint64_t size, std::uint32_t mediumType,
                            platform::TBindStream* stream) override;
    HRESULT OnObjectAvailable() override { return platform::S_OK; }
    HRESULT BeginningTransaction(const std::string& url, const std::string& headers,
                                 std::uint32_t reserved, std::string& additionalHeaders) override;
    HRESULT OnResponse(std::uint32_t responseCode, const std::string& responseHeaders,
                       const std::string& requestHeaders,
                       std::string& additionalRequestHeaders) override;
    HRESULT Authenticate(std::string& userName, std::string& password) override;
    HRESULT GetWindow(const TGuid& reason, std::uint32_t& hwnd);
    HRESULT OnSecurityProblem(std::uint32_t problem) override;

private:
    void FireComplete(TStream* stream, HRESULT result);
    void AbortBinding();
    // Beginning of transaction, step by step.
    bool ApplyResume();  // false: the handler asked to abort
    std::string BuildHeaderText() const;
    void ArmTimeOut();
    // Response: what it announces, and opening the output.
    bool AcceptEmptyAnswer() const;
    HRESULT OpenOutput(std::uint32_t status);
    HRESULT AcceptPart();
    void GiveUpPartialFile();
    bool CreateOutput();
    bool ReadPutFile(std::vector<std::uint8_t>& body) const;
    void WriteOutput(const std::uint8_t* buffer, std::uint32_t length);
    // Stop: a file transfer counts only when the whole package is on disk.
    HRESULT CheckFileComplete(HRESULT result) const;

    TInfo FInfo;
    TIEDownload* FOwner;
    std::string FUrl;
    std::shared_ptr<platform::IBinding> FBinding;
    platform::TBindStream* FDataStream = nullptr;
    std::unique_ptr<TFileStream> FFileStream;
    std::unique_ptr<TMemoryStream> FMemoryStream;
    std::unique_ptr<ITimer> FTimer;
    // None until the first data notification.
    std::optional<std::chrono::steady_clock::time_point> FStartTime;
    bool TimedOut = false;
    bool Redirecting = false;
    std::uint64_t BytesRead = 0;
    // The record of the partial file being resumed (none for a fresh file).
    std::optional<TResumeRecord> FResume;
    // The package's total as this response announced it.
    std::optional<std::uint64_t> FTotal;
    // The body's end is marked (chunked), so curl's success means all of it.
    bool FEndMarked = false;
    // The file is replaced by the new body once its first bytes arrive, so
    // an answer that brings none leaves the partial file as it was.
    bool FCreatePending = false;
    // An empty answer to a resume whose file is already complete.
    bool FAlreadyComplete = false;
    // Set when the output could not be opened or written; it replaces the
    // binding's result, so that such a request never ends as a success.
    HRESULT FOutputFailure = platform::S_OK;
};

}  // namespace vantrel
