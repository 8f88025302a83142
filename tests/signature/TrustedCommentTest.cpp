// What a good signature may vouch for: only the release on offer, of this
// project, newer than the one installed, and only in the exact form.
#include <gtest/gtest.h>

#include "signature/PackageSignature.h"
#include "signature/TrustedComment.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kInstalled = 0x04000001;  // 4.0.0.1
const TSignedRelease kOffered{"Orbisk4Outlook", 0x04000002, "Orbisk 4 Setup.exe"};

TEST(TrustedComment, APackageCountsOnlyAsTheReleaseOnOffer) {
    struct TCase {
        const char* Comment;
        std::uint32_t Installed;
        bool Accepted;
    };
    const TCase cases[] = {
        {"vantrel-package project:Orbisk4Outlook version:4.0.0.2 file:Orbisk 4 Setup.exe",
         kInstalled, true},
        // an older release, genuinely signed, offered as the new one
        {"vantrel-package project:Orbisk4Outlook version:3.9.0.0 file:Orbisk 4 Setup.exe",
         kInstalled, false},
        // another product's package under the same key
        {"vantrel-package project:Orbisk4Inside version:4.0.0.2 file:Orbisk 4 Setup.exe",
         kInstalled, false},
        {"vantrel-package project:Orbisk4Outlook version:4.0.0.2 file:Orbisk4InsideSetup.exe",
         kInstalled, false},
        // the offer itself is no newer than what is installed
        {"vantrel-package project:Orbisk4Outlook version:4.0.0.2 file:Orbisk 4 Setup.exe",
         0x04000002, false},
        {"vantrel-package  project:Orbisk4Outlook version:4.0.0.2 file:Orbisk 4 Setup.exe",
         kInstalled, false},
        {"vantrel-package project:Orbisk4Outlook version:4.0.0.2", kInstalled, false},
        {"vantrel-reply project:Orbisk4Outlook", kInstalled, false},
        {"timestamp:1765180800\tfile:Orbisk 4 Setup.exe", kInstalled, false},
        {"", kInstalled, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Comment);
        if (c.Accepted) {
            EXPECT_NO_THROW(RequirePackageComment(c.Comment, kOffered, c.Installed));
            continue;
        }
        try {
            RequirePackageComment(c.Comment, kOffered, c.Installed);
            ADD_FAILURE() << "accepted";
        } catch (const TSignatureError& e) {
            EXPECT_EQ(e.Fault, TSignatureFault::NotThisRelease);
        }
    }
    // The vendor's tools write what the client accepts.
    EXPECT_NO_THROW(RequirePackageComment(PackageTrustedComment(kOffered), kOffered, kInstalled));
    EXPECT_NO_THROW(RequireReplyComment(ReplyTrustedComment("Orbisk4Outlook"), "Orbisk4Outlook"));
    EXPECT_THROW(RequireReplyComment(ReplyTrustedComment("Orbisk4Inside"), "Orbisk4Outlook"),
                 TSignatureError);
}

}  // namespace
}  // namespace vantrel
