#include "protocol/ProjectInfoQuery.h"

#include <algorithm>
#include <iostream>
#include <new>
#include <optional>
#include <vector>

#include "core/BuildConfig.h"
#include "core/iProcs.h"
#include "platform/InternetState.h"
#include "protocol/HttpGet.h"
#include "protocol/ReplyContainer.h"
#include "protocol/ReplyReader.h"
#include "protocol/ServerMessages.h"
#include "protocol/SignatureFile.h"
#include "signature/PackageSignature.h"
#include "signature/TrustedComment.h"

namespace vantrel {

std::string ProjectInfoQueryURL(const std::string& projectID, std::uint32_t installedVersion) {
    return ServerBaseURL() +
           "/cgi-bin/vantrel/VantrelSrv4.dll/GetProjectInfo?ProjectID=" + projectID +
           "&CurrentProjectVersion=" + std::to_string(static_cast<std::int32_t>(installedVersion));
}

namespace {

// Besides the idle time-out: a server that keeps sending a byte now and then
// must not hold the start for ever.
constexpr long kQueryDeadlineMs = 120000;

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
    if (!platform::IsInternetConnected())
        return RefuseReply(false, "no connection for its signature");
    TSignatureFetchLimits limits;
    limits.UserAgent = kHttpAgent;
    limits.ConnectTimeoutMs = HttpGetTimeoutSettings().connectMs;
    limits.ReceiveTimeoutMs = HttpGetTimeoutSettings().receiveMs;
    const TSignatureFileFetch fetched = FetchSignatureFile(ReplySignatureURL(queryURL), limits);
    if (!fetched.Text)
        return RefuseReply(false, fetched.Failure);
    const std::string& signature = *fetched.Text;
    try {
        RequireReplyComment(VerifySignedBytes(reply, signature, *key, "reply"), ProjectID);
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
        if (!HttpGet(url, reply, kQueryDeadlineMs)) {
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
