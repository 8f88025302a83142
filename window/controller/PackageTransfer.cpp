#include "window/controller/PackageTransfer.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/BuildConfig.h"
#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "i18n/SFTranslateRepository.h"
#include "i18n/UnicodeText.h"
#include "protocol/HttpGet.h"
#include "window/controller/PackageNames.h"
#include "window/controller/TextTemplates.h"
#include "window/controller/WebAddress.h"
#include "window/download/IEDownload.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// What the update server has always received with a package request, odd as
// a form type on a GET is: its logs and rules may count on both.
constexpr const char* kPackageUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";
constexpr const char* kPackageHeaderLine = "Content-Type: application/x-www-form-urlencoded";

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// What the server sent, for a message box: a NUL would cut the message short
// and a line break could fake a line of its own, so every control character
// (C0, DEL and C1) shows as a replacement character.
std::u16string ServerText(const std::string& text) {
    std::u16string shown = LocalText(text);
    for (char16_t& c : shown) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            c = u'\uFFFD';
    }
    return shown;
}

std::runtime_error MessageError(const std::u16string& message) {
    return std::runtime_error(unicode::Utf16ToUtf8Lenient(message));
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// Empty after the move; the reason for the user when it failed.
std::u16string MoveToFinalName(const std::string& temporary, const std::string& final,
                               TSFTranslateRepository* repository) {
    // rename() replaces an old final file in the same step, so there is no
    // moment at which the old one is gone and the new one not yet in place.
    std::error_code error;
    fs::rename(temporary, final, error);
    if (!error)
        return {};
    const std::u16string detail = LocalText(final) + u": " + LocalText(error.message());
    return FormatMessage(repository, texts::kPackageMoveFailed, {detail});
}

}  // namespace

std::u16string FormatMessage(TSFTranslateRepository* repository, std::string_view text,
                             const std::vector<std::u16string>& values) {
    return MessageText(repository ? repository->Translate(std::string(text)) : std::u16string(),
                       text, values);
}

std::string DownloadCompleteURL() {
    // The server reads the packed version as a signed number, so 200.0.0.1
    // and above are sent negative. ProjectID goes in unescaped: it comes from
    // the built-in product table, never from the server.
    const auto version = static_cast<std::int32_t>(AvailableProduct.Version);
    return ServerBaseURL() +
           "/cgi-bin/vantrel/VantrelSrv4.dll/DownloadComplete?ProjectID=" + ProjectID +
           "&DownloadedVersion=" + std::to_string(version);
}

void ConfigurePackageDownload(TIEDownload& download) {
    download.TimeOut = 5000;
    download.SetCodepage(TCodePageOption::Ansi);
    download.SetMethod(TBindVerbOption::Get);
    // IgnoreSecurityProblem is accepted and has no effect: the binding always
    // checks an https server's certificate and name.
    download.SetOptions({TBindInfoOption::Asynchronous, TBindInfoOption::AsyncStorage,
                         TBindInfoOption::GetNewestVersion, TBindInfoOption::NoWriteCache,
                         TBindInfoOption::NeedFile, TBindInfoOption::IgnoreSecurityProblem,
                         TBindInfoOption::Resynchronize, TBindInfoOption::No_UI,
                         TBindInfoOption::SilentOperation, TBindInfoOption::Pragma_No_Cache});
    download.UrlEncode.clear();
    download.Security.InheritHandle = false;
    // A resume never sets the range: the component asks for what follows the
    // bytes already in the file.
    download.Range = {0, 0};
    download.SetAdditionalHeader({kPackageHeaderLine});
    download.UserAgent = kPackageUserAgent;
}

void CheckPackageURL(const std::string& url, TSFTranslateRepository* repository) {
    if (!IsWebAddress(url))
        throw MessageError(
            FormatMessage(repository, texts::kPackageAddressNotWeb, {ServerText(url)}));
    if (!IsPlainFileName(AvailableProduct.FileName)) {
        throw MessageError(FormatMessage(repository, texts::kPackageNameNotPlain,
                                         {ServerText(AvailableProduct.FileName)}));
    }
}

// Neither the result nor the answer matters, and nothing retries: every start
// that finds the package downloaded sends the notice again.
void NotifyDownloadComplete() {
    std::vector<std::uint8_t> answer;
    HttpGet(DownloadCompleteURL(), answer, kNoticeDeadlineMs);
}

TInstallResult RunInstaller(const std::string& tempDir, const TOpenFileFunction& open,
                            TSFTranslateRepository* repository) {
    const std::string temporary = TemporaryPackageFile(tempDir);
    const std::string final = FinalPackageFile(tempDir);
    TInstallResult result;
    if (IsRegularFile(temporary)) {
        result.Reason = MoveToFinalName(temporary, final, repository);
        if (!result.Reason.empty()) {
            result.PackageKept = true;  // the temporary file is untouched
            return result;
        }
    } else if (!IsRegularFile(final)) {
        result.Reason = FormatMessage(repository, texts::kPackageMissing, {LocalText(temporary)});
        return result;
    }
    // Here the final file holds the package: just moved, or moved by an
    // earlier try whose open failed.
    result.PackageKept = true;
    if (!open(final)) {
        result.Reason = FormatMessage(repository, texts::kPackageOpenFailed, {LocalText(final)});
        return result;
    }
    result.Started = true;
    return result;
}

}  // namespace vantrel
