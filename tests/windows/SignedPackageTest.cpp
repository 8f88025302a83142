// Signed packages on Windows: a package that minisign signed (made once, on
// Linux, with a throwaway key) verifies from a folder outside the ANSI code
// page, in both of minisign's formats, and a changed byte does not.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/iProcs.h"
#include "platform/Utf8Path.h"
#include "signature/PackageSignature.h"

namespace vantrel {
namespace {

const char* const kPublicKey =
    "untrusted comment: minisign public key 881485CE54FDBA5B\n"
    "RWRbuv1UzoUUiKpVlRE2GwqdxhdxpMNu9h8mmn5TlK1+aq+AoVi3DiJr\n";
const char* const kPackage = "Orbisk for Outlook 4.0.0.2: a package the tests check.\n";
const char* const kHashedSignature =
    "untrusted comment: signature from minisign secret key\n"
    "RURbuv1UzoUUiFH6fXq0KHtUoOKUX0g/XSjqd2QWzapFS9I+T9BDEpW2mv6B/6W0YuFHAPGmLHJkl50bNl/MCgdfNuALO/"
    "OhPAU=\n"
    "trusted comment: vantrel-package project:Orbisk4Outlook version:4.0.0.2 file:package.txt\n"
    "Fih69XvKYubT+Dt8HpHTqXQji9ucY+LYAHTt2QYg91ZTcko5HhBnXLiG/o1NtlZrygSa/4ADqIFjJp8FidmSBg==\n";
const char* const kLegacySignature =
    "untrusted comment: signature from minisign secret key\n"
    "RWRbuv1UzoUUiJAiQ8BB/yDt/"
    "wTM8I52kUsGpa0HjzYqkiuuzHIMne6MnKlbL1K8A+cwdzEegA1paJbsYmd3Vi7LcXTu0IUqrw4=\n"
    "trusted comment: legacy\n"
    "8UVbtTqk2plr+yyCVwcKLQdZBHSWeBUhXTbL/foM5Y7DvtCN2D6J1X9fvhXtsfgpgSw4/b/uii5oi0+xUvh0Cw==\n";

class SignedPackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        FDir = std::filesystem::path(temp) /
               (L"Vantrel-\u03a9-\u65e5\u672c-sig-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(FDir);
        std::ofstream(FDir / L"package-key.pub", std::ios::binary) << kPublicKey;
        std::ofstream(FDir / L"package.txt", std::ios::binary) << kPackage;
        AppDir = platform::Utf8Text(FDir) + "\\";
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    std::string Package() const { return AppDir + "package.txt"; }
    std::filesystem::path FDir;
};

TEST_F(SignedPackageTest, BothFormatsVerifyAndAChangedByteDoesNot) {
    const std::optional<TMinisignPublicKey> key = LoadPackagePublicKey();
    ASSERT_TRUE(key);
    EXPECT_EQ(VerifyPackageFile(Package(), kHashedSignature, *key),
              "vantrel-package project:Orbisk4Outlook version:4.0.0.2 file:package.txt");
    EXPECT_EQ(VerifyPackageFile(Package(), kLegacySignature, *key), "legacy");

    std::ofstream(FDir / L"package.txt", std::ios::binary | std::ios::app) << "x";
    for (const char* signature : {kHashedSignature, kLegacySignature}) {
        try {
            VerifyPackageFile(Package(), signature, *key);
            ADD_FAILURE() << "a changed package verified";
        } catch (const TSignatureError& e) {
            EXPECT_EQ(e.Fault, TSignatureFault::DataAltered) << e.what();
        }
    }
    std::filesystem::remove(FDir / L"package.txt");
    try {
        VerifyPackageFile(Package(), kHashedSignature, *key);
        ADD_FAILURE() << "a missing package verified";
    } catch (const TSignatureError& e) {
        EXPECT_EQ(e.Fault, TSignatureFault::FileUnreadable) << e.what();
    }
}

}  // namespace
}  // namespace vantrel
