#include "signature/TrustedComment.h"

#include <optional>

#include "core/ProductVersion.h"
#include "signature/PackageSignature.h"

namespace vantrel {
namespace {

constexpr std::string_view kPackageTag = "vantrel-package ";
constexpr std::string_view kReplyTag = "vantrel-reply ";

// The text after `label` up to the next space; empty when `rest` does not
// start with the label. Consumes what it read and the space.
std::string_view TakeField(std::string_view& rest, std::string_view label) {
    if (!rest.starts_with(label))
        return {};
    rest.remove_prefix(label.size());
    const std::size_t space = rest.find(' ');
    const std::string_view value = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return value;
}

struct TCommentedRelease {
    std::string_view ProjectID, Version, FileName;
};

std::optional<TCommentedRelease> ParsePackageComment(std::string_view comment) {
    if (!comment.starts_with(kPackageTag))
        return std::nullopt;
    std::string_view rest = comment.substr(kPackageTag.size());
    TCommentedRelease release;
    release.ProjectID = TakeField(rest, "project:");
    release.Version = TakeField(rest, "version:");
    // The file name is all that is left, spaces included.
    if (!rest.starts_with("file:"))
        return std::nullopt;
    release.FileName = rest.substr(5);
    if (release.ProjectID.empty() || release.Version.empty() || release.FileName.empty())
        return std::nullopt;
    return release;
}

[[noreturn]] void FailNotThisRelease(const std::string& signedAs, const std::string& offered) {
    throw TSignatureError(
        TSignatureFault::NotThisRelease,
        "The signature is the vendor's, but for \"" + signedAs + "\", not for " + offered + ".");
}

}  // namespace

std::string PackageTrustedComment(const TSignedRelease& release) {
    return std::string(kPackageTag) + "project:" + release.ProjectID +
           " version:" + VersionToText(release.Version) + " file:" + release.FileName;
}

std::string ReplyTrustedComment(const std::string& projectID) {
    return std::string(kReplyTag) + "project:" + projectID;
}

void RequirePackageComment(std::string_view comment, const TSignedRelease& offered,
                           std::uint32_t installedVersion) {
    const std::string wanted = "version " + VersionToText(offered.Version) + " of " +
                               offered.ProjectID + " (" + offered.FileName + ")";
    const std::optional<TCommentedRelease> release = ParsePackageComment(comment);
    if (!release)
        FailNotThisRelease(std::string(comment), wanted);
    // The version compared as a number: "4.0.0.2" and "4.0.0.02" are one release.
    const std::optional<std::uint32_t> version = VersionFromText(std::string(release->Version));
    if (release->ProjectID != offered.ProjectID || !version || *version != offered.Version ||
        release->FileName != offered.FileName)
        FailNotThisRelease(std::string(comment), wanted);
    if (offered.Version <= installedVersion)
        throw TSignatureError(TSignatureFault::NotThisRelease,
                              "The offered version " + VersionToText(offered.Version) +
                                  " is not newer than the installed " +
                                  VersionToText(installedVersion) + ".");
}

void RequireReplyComment(std::string_view comment, const std::string& projectID) {
    if (comment != ReplyTrustedComment(projectID))
        FailNotThisRelease(std::string(comment), "the reply about " + projectID);
}

}  // namespace vantrel
