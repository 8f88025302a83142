// TBSCB: one request of TIEDownload. It receives the binding's notifications
// and turns them into the component's events; it owns the output stream and
// the idle time-out timer.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <memory>
#include <optional>

#include "download/IEDownload.h"
#include "download/ResumeRecord.h"
#include "download/Streams.h"
#include "platform/qt/UrlBinding.h"

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

    HRESULT OnStartBinding(const std::shared_ptr<platform::TBinding>& binding) override;
    HRESULT GetPriority() override;
    HRESULT OnLowResource() override { return platform::S_OK; }
    HRESULT OnProgress(std::uint64_t progress, std::uint64_t progressMax, std::uint32_t statusCode,
                       const QString& statusText) override;
    HRESULT OnStopBinding(HRESULT result, const QString& error) override;
    HRESULT GetBindInfo(std::uint32_t& bindFlags, platform::TBindInfo& info) override;
    HRESULT OnDataAvailable(std::uint32_t flags, std::uint64_t size, std::uint32_t mediumType,
                            platform::TBindStream* stream) override;
    HRESULT OnObjectAvailable() override { return platform::S_OK; }
    HRESULT BeginningTransaction(const QString& url, const QString& headers, std::uint32_t reserved,
                                 QString& additionalHeaders) override;
    HRESULT OnResponse(std::uint32_t responseCode, const QString& responseHeaders,
                       const QString& requestHeaders, QString& additionalRequestHeaders) override;
    HRESULT Authenticate(QString& userName, QString& password) override;
    HRESULT GetWindow(const QUuid& reason, std::uint32_t& hwnd);
    HRESULT OnSecurityProblem(std::uint32_t problem) override;

private:
    void FireComplete(TStream* stream, HRESULT result);
    void AbortBinding();
    // Beginning of transaction, step by step.
    bool ApplyResume();  // false: the handler asked to abort
    QString BuildHeaderText() const;
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
    QString FUrl;
    std::shared_ptr<platform::TBinding> FBinding;
    platform::TBindStream* FDataStream = nullptr;
    std::unique_ptr<TFileStream> FFileStream;
    std::unique_ptr<TMemoryStream> FMemoryStream;
    std::unique_ptr<QTimer> FTimer;
    QElapsedTimer FStartTime;  // invalid until the first data notification
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
