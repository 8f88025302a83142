// What the vendor's signatures vouch for. A good signature only says that the
// vendor signed these bytes once; the trusted comment says what they were
// signed as, so that a rewritten reply cannot pass off an older release, or
// another product's package signed with the same key, as the new version.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// One release as the reply offers it.
struct TSignedRelease {
    std::string ProjectID;
    std::uint32_t Version = 0;
    std::string FileName;
};

// "vantrel-package project:<ProjectID> version:<a.b.c.d> file:<FileName>",
// single spaces, the file name last so that it may hold spaces.
std::string PackageTrustedComment(const TSignedRelease& release);

// "vantrel-reply project:<ProjectID>".
std::string ReplyTrustedComment(const std::string& projectID);

// Throws TSignatureError (NotThisRelease) unless `comment` names exactly the
// offered release, and the offered version is higher than `installedVersion`.
void RequirePackageComment(std::string_view comment, const TSignedRelease& offered,
                           std::uint32_t installedVersion);

// Throws TSignatureError (NotThisRelease) unless `comment` is the reply
// comment of `projectID`.
void RequireReplyComment(std::string_view comment, const std::string& projectID);

}  // namespace vantrel
