#include "frontend/qt/controller/SignatureFetch.h"

#include "frontend/qt/download/IEDownload.h"
#include "signature/MinisignFormat.h"
#include "window/controller/PackageTransfer.h"
#include "window/download/BSCB.h"
#include "window/download/Streams.h"

namespace vantrel {

TSignatureFetch::TSignatureFetch(QObject* parent) : QObject(parent) {
    FDeadline.setSingleShot(true);
    FDeadline.setInterval(kDeadlineMs);
    connect(&FDeadline, &QTimer::timeout, this, [this] {
        FTimedOut = true;
        if (FDownload != nullptr)
            FDownload->Cancel();
    });
}

TSignatureFetch::~TSignatureFetch() {
    Cancel();
}

void TSignatureFetch::Connect(TIEDownload& download) {
    // The package's own settings: its redirects, its certificates, its idle
    // time-out and headers.
    ConfigurePackageDownload(download);
    // No signature file is larger: a server that sends more is cut off at
    // once rather than filling memory.
    download.OnData = [this](TBSCB*, std::uint8_t*&, std::uint32_t& length) {
        FReceived += length;
        if (FReceived > kMinisignMaxFileSize) {
            FTooLong = true;
            FDownload->Cancel();
        }
    };
    download.OnComplete = [this](TBSCB* sender, TStream* stream, platform::HRESULT result) {
        if (!FDone)
            return;
        TSignatureFetchResult outcome;
        const std::uint32_t status = sender != nullptr ? sender->ResponseCode : 0;
        if (FTooLong) {
            outcome.Failure = "it is larger than any signature file";
        } else if (FTimedOut) {
            outcome.Failure =
                "it did not arrive within " + std::to_string(FDeadline.interval()) + " ms";
        } else if (result != platform::S_OK || status != 200 || stream == nullptr) {
            outcome.Failure =
                "the server answered " + std::to_string(status) + " (result 0x" +
                QString::number(static_cast<std::uint32_t>(result), 16).toStdString() + ")";
        } else {
            std::string text(static_cast<std::size_t>(stream->Size()), '\0');
            stream->Seek(0);
            text.resize(stream->Read(text.data(), static_cast<std::uint32_t>(text.size())));
            outcome.Text = std::move(text);
        }
        Finish(outcome);
    };
}

void TSignatureFetch::Start(const std::string& url, TDone done) {
    Cancel();
    FDone = std::move(done);
    FReceived = 0;
    FTooLong = false;
    FTimedOut = false;
    FDownload = new TQtIEDownload(this);
    Connect(*FDownload);
    FDeadline.start();
    FDownload->Download(url, {});
}

// The component goes once it has left its own events; its request is
// cancelled and reports to nobody.
void TSignatureFetch::Cancel() {
    FDone = nullptr;
    FDeadline.stop();
    if (FDownload == nullptr)
        return;
    FDownload->OnComplete = nullptr;
    FDownload->OnData = nullptr;
    FDownload->Cancel();
    FDownload->deleteLater();
    FDownload = nullptr;
}

void TSignatureFetch::Finish(const TSignatureFetchResult& result) {
    FDeadline.stop();
    // Posted, so that the handler may start another fetch or delete the
    // window without the component still being inside its own event.
    TDone done = std::move(FDone);
    FDone = nullptr;
    QMetaObject::invokeMethod(
        this, [done, result] { done(result); }, Qt::QueuedConnection);
}

}  // namespace vantrel
