// The main window's parts that do the controller's work: the dictionary, the
// download component and the signature fetch on the Qt loop, the checks, the
// installer and the store.
#include "core/UpdateStateStore.h"
#include "frontend/qt/controller/Main.h"
#include "frontend/qt/controller/ShellOpen.h"
#include "frontend/qt/controller/SignatureFetch.h"
#include "frontend/qt/download/IEDownload.h"
#include "window/controller/PackageTransfer.h"
#include "window/controller/PackageVerification.h"

namespace vantrel {

std::u16string TfVantrelMain::Translation(std::string_view english) {
    return Repository->Translate(std::string(english));
}

void TfVantrelMain::StartTransfer(const std::string& url, const std::string& file) {
    IEDownload->Download(url, file);
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
    return vantrel::RunInstaller(
        tempDir,
        [](const std::string& path) {
            return ShellOpen(QUrl::fromLocalFile(QString::fromLocal8Bit(path)));
        },
        Repository);
}

void TfVantrelMain::NotifyDownloadComplete() {
    vantrel::NotifyDownloadComplete();
}

void TfVantrelMain::SaveState() {
    SaveUpdateState(false);
}

}  // namespace vantrel
