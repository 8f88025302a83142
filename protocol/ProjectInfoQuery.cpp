#include "protocol/ProjectInfoQuery.h"

#include <algorithm>
#include <iostream>
#include <new>
#include <optional>
#include <vector>

#include "core/BuildConfig.h"
#include "core/iProcs.h"
#include "platform/HttpClient.h"
#include "platform/InternetState.h"
#include "protocol/HttpGet.h"
#include "protocol/ReplyContainer.h"
#include "protocol/ReplyReader.h"
#include "protocol/ServerMessages.h"
#include "signature/MinisignFormat.h"
#include "signature/PackageSignature.h"
#include "signature/TrustedComment.h"

namespace vantrel {

std::string ProjectInfoQueryURL(const std::string& projectID, std::uint32_t installedVersion) {
    return ServerBaseURL() +
           "/cgi-bin/vantrel/VantrelSrv4.dll/GetProjectInfo?ProjectID=" + projectID +
           "&CurrentProjectVersion=" + std::to_string(static_cast<std::int32_t>(installedVersion));
}

namespace {

// The signature is a few lines; the whole fetch is bounded as well as its idle time.
constexpr long kSignatureDeadlineMs = 30000;

bool CarriesServerText(std::span<const std::uint8_t> reply) {
    const std::optional<TReplyHeader> header =
        CheckReplyIntegrity(reply) ? ReadReplyHeader(reply) : std::nullopt;
    return header && header->Kind == kReplyKindError;
}

// Whether anything the server wrote reaches the user: the offer, or with
// ShowInfo the window or the server's own error text. The program's own
// error texts need no signature.
bool ReplyWillBeUsed(bool read, std::span<const std::uint8_t> reply) {
    const bool newer =
        read && AvailableProduct.Found && AvailableProduct.Version > InstalledProduct.Version;
    return newer || (ShowInfo && (read || CarriesServerText(reply)));
}

std::optional<std::string> FetchReplySignature(const std::string& url, std::string& failure) {
    if (!platform::IsInternetConnected()) {
        failure = "no connection";
        return std::nullopt;
    }
    platform::HttpRequestOptions options;
    options.userAgent = kHttpAgent;
    options.connectTimeoutMs = HttpGetTimeoutSettings().connectMs;
    options.receiveTimeoutMs = HttpGetTimeoutSettings().receiveMs;
    options.totalTimeoutMs = kSignatureDeadlineMs;
    // One byte more than any signature file shows an over-long one.
    options.maxBodyBytes = kMinisignMaxFileSize + 1;
    options.extraHeaders = {"Pragma: no-cache", "Cache-Control: no-cache"};
    std::vector<std::uint8_t> body;
    const platform::HttpFetchResult result = platform::FetchUrl(url, body, options);
    if (!result.gotResponse || result.status != 200 || !result.error.empty() ||
        body.size() > kMinisignMaxFileSize) {
        failure = !result.error.empty() ? result.error
                                        : "the server answered " + std::to_string(result.status);
        return std::nullopt;
    }
    return std::string(body.begin(), body.end());
}

// Nothing of a reply that did not verify may reach the windows.
bool RefuseReply(bool fetched, const std::string& detail) {
    std::cerr << "vantrel: the server's reply is not used: " << detail << "\n";
    ProjectInfo = TProjectInfo{};
    AvailableProduct = TProductVersionRec{};
    ErrorMessage = UnverifiedReplyMessage(fetched);
    return false;
}

// Applies the reply-signature rule to a reply read (`read`) or refused.
bool CheckReplySignature(bool read, std::span<const std::uint8_t> reply,
                         const std::string& queryURL) {
    std::optional<TMinisignPublicKey> key;
    try {
        key = LoadPackagePublicKey();
    } catch (const TSignatureError& e) {
        // A broken key fails closed: nothing is shown or downloaded.
        return RefuseReply(true, e.what());
    }
    if (!key || !ReplyWillBeUsed(read, reply))
        return read;
    const std::string url = ReplySignatureURL(queryURL);
    std::string failure;
    const std::optional<std::string> signature = FetchReplySignature(url, failure);
    if (!signature)
        return RefuseReply(false, "its signature " + url + " could not be had: " + failure);
    try {
        RequireReplyComment(VerifySignedBytes(reply, *signature, *key, "reply"), ProjectID);
    } catch (const TSignatureError& e) {
        return RefuseReply(true, e.what());
    }
    return read;
}

}  // namespace

std::string ReplySignatureURL(const std::string& queryURL) {
    const std::size_t pathEnd = std::min(queryURL.find('?'), queryURL.find('#'));
    if (pathEnd == std::string::npos)
        return queryURL + ".minisig";
    return queryURL.substr(0, pathEnd) + ".minisig" + queryURL.substr(pathEnd);
}

bool QueryProjectInfo() {
    ErrorMessage.clear();
    std::vector<std::uint8_t> reply;
    const std::string url = ProjectInfoQueryURL(ProjectID, InstalledProduct.Version);
    try {
        if (!HttpGet(url, reply)) {
            ErrorMessage = ConnectionErrorMessage();
            return false;
        }
    } catch (const std::bad_alloc&) {
        ErrorMessage = SystemErrorMessage("Out of memory");
        return false;
    }
    const bool read = ReadProjectReply(reply, ProjectInfo, AvailableProduct, ErrorMessage);
    return CheckReplySignature(read, reply, url);
}

}  // namespace vantrel
