// The main window's parts that do the controller's work: the dictionary, the
// download component and the signature fetch on the Qt loop, the checks, the
// installer and the store.
#include "controller/Main.h"
#include "controller/PackageTransfer.h"
#include "controller/PackageVerification.h"
#include "controller/SignatureFetch.h"
#include "core/UpdateStateStore.h"
#include "download/BSCB.h"
#include "download/IEDownload.h"
#include "download/Streams.h"

namespace vantrel {

static_assert(kBindStatusDownloadingData == platform::BINDSTATUS_DOWNLOADINGDATA);

std::u16string TfVantrelMain::Translation(std::string_view english) {
    return Repository->Translate(std::string(english));
}

void TfVantrelMain::StartTransfer(const std::string& url, const std::string& file) {
    IEDownload->Download(QString::fromLocal8Bit(url), QString::fromLocal8Bit(file));
}

void TfVantrelMain::CancelTransfer() {
    IEDownload->Cancel();
}

std::size_t TfVantrelMain::TransferRequests() const {
    return IEDownload->RequestCount();
}

void TfVantrelMain::CheckPackageURL(const std::string& url) {
    vantrel::CheckPackageURL(url, Repository);
}

bool TfVantrelMain::VerificationWanted() {
    return PackageVerificationWanted();
}

void TfVantrelMain::FetchSignature(const std::string& url,
                                   std::function<void(const TSignatureFetchResult&)> done) {
    SignatureFetch->Start(url, std::move(done));
}

void TfVantrelMain::CancelSignatureFetch() {
    SignatureFetch->Cancel();
}

bool TfVantrelMain::SignatureFetchRunning() const {
    return SignatureFetch->Running();
}

TVerification TfVantrelMain::VerifyPackage(const std::string& tempDir, const std::string& signature,
                                           bool atInstall) {
    return VerifyDownloadedPackage(tempDir, signature, atInstall, Repository);
}

TVerification TfVantrelMain::SignatureUnavailable(const std::string& url, bool atInstall) {
    return vantrel::SignatureUnavailable(url, atInstall, Repository);
}

std::optional<std::string> TfVantrelMain::KeptSignature(const std::string& tempDir) {
    return vantrel::KeptSignature(tempDir);
}

void TfVantrelMain::RemovePackageFiles(const std::string& tempDir, bool includingFinal) {
    vantrel::RemovePackageFiles(tempDir, includingFinal);
}

TInstallResult TfVantrelMain::RunInstaller(const std::string& tempDir) {
    return vantrel::RunInstaller(tempDir, Repository);
}

void TfVantrelMain::NotifyDownloadComplete() {
    vantrel::NotifyDownloadComplete();
}

void TfVantrelMain::SaveState() {
    SaveUpdateState(false);
}

}  // namespace vantrel
