// Packages signed by the real minisign, in both of its algorithms, checked
// against good and bad packages, keys and signature files.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/iProcs.h"
#include "signature/PackageSignature.h"
#include "tests/support/Minisign.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kComment = "timestamp:1765180800\tfile:Orbisk4OutlookSetup.exe\trelease 4.0.0.2";

// More than one read chunk, with a tail, so that streaming is exercised.
std::string PackageBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7919) >> 3);
    return bytes;
}

TMinisignPublicKey KeyFrom(const fs::path& file) {
    return ParseMinisignPublicKey(ReadFileText(file));
}

class PackageSignatureTest : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        Ours = new TMinisignKeys(MakeMinisignKeys(Dir->path(), "ours"));
        Theirs = new TMinisignKeys(MakeMinisignKeys(Dir->path(), "theirs"));
    }
    static void TearDownTestSuite() {
        delete Theirs;
        delete Ours;
        delete Dir;
    }

    bool Legacy() const { return GetParam(); }

    // Writes `bytes` as a package and signs it with `keys`; the signature's text.
    std::string Signed(const std::string& name, const std::string& bytes,
                       const TMinisignKeys& keys) {
        WriteFile(*Dir / name, bytes);
        MinisignSign(keys, *Dir / name, kComment, Legacy(), *Dir / (name + ".sig"));
        return ReadFileText(*Dir / (name + ".sig"));
    }

    static inline TempDir* Dir = nullptr;
    static inline TMinisignKeys* Ours = nullptr;
    static inline TMinisignKeys* Theirs = nullptr;
};

// Each case names what goes wrong and the words that must say so; an empty
// expectation means the package verifies.
TEST_P(PackageSignatureTest, AcceptsOnlyTheSignedPackageUnderOurKey) {
    const std::string package = PackageBytes(600 * 1024 + 17);
    const std::string good = Signed("pkg", package, *Ours);
    const std::string other = Signed("other", PackageBytes(1000), *Ours);
    const std::string foreign = Signed("foreign", package, *Theirs);
    const TMinisignPublicKey ours = KeyFrom(Ours->PublicKey);
    TMinisignPublicKey sameIdOtherKey = KeyFrom(Theirs->PublicKey);
    sameIdOtherKey.KeyId = ours.KeyId;

    std::string flipped = package;
    flipped[std::size_t{300} * 1024] ^= 0x01;
    WriteFile(*Dir / "flipped", flipped);
    WriteFile(*Dir / "empty", "");
    const std::string emptySigned = Signed("empty", "", *Ours);

    std::string tampered = good;
    tampered.replace(tampered.find("release 4.0.0.2"), 15, "release 9.9.9.9");

    using enum TSignatureFault;
    struct TCase {
        const char* Name;
        std::string File;
        std::string Signature;
        TMinisignPublicKey Key;
        std::optional<TSignatureFault> Fault;  // none: verifies
    };
    const TCase cases[] = {
        {"good", "pkg", good, ours, {}},
        {"empty package", "empty", emptySigned, ours, {}},
        {"one flipped byte", "flipped", good, ours, DataAltered},
        {"signature of another file", "pkg", other, ours, DataAltered},
        {"signed by another key", "pkg", foreign, ours, ForeignKey},
        {"our key id, another key", "pkg", good, sameIdOtherKey, DataAltered},
        {"tampered trusted comment", "pkg", tampered, ours, CommentAltered},
        {"damaged signature file", "pkg", good.substr(0, good.size() / 2), ours, SignatureDamaged},
        {"package missing", "absent", good, ours, FileUnreadable},
        {"package is a directory", ".", good, ours, FileUnreadable},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path file = *Dir / c.File;
        // A reply is checked in memory, by the same rules.
        const bool inMemory = fs::is_regular_file(file);
        const std::vector<std::uint8_t> bytes =
            inMemory ? ReadFile(file) : std::vector<std::uint8_t>{};
        if (!c.Fault) {
            EXPECT_EQ(VerifyPackageFile(file.string(), c.Signature, c.Key), kComment);
            EXPECT_EQ(VerifySignedBytes(bytes, c.Signature, c.Key, "reply"), kComment);
            continue;
        }
        try {
            VerifyPackageFile(file.string(), c.Signature, c.Key);
            ADD_FAILURE() << "verified";
        } catch (const TSignatureError& e) {
            EXPECT_EQ(e.Fault, *c.Fault) << e.what();
        }
        if (!inMemory)
            continue;
        try {
            VerifySignedBytes(bytes, c.Signature, c.Key, "reply");
            ADD_FAILURE() << "verified in memory";
        } catch (const TSignatureError& e) {
            EXPECT_EQ(e.Fault, *c.Fault) << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Algorithms, PackageSignatureTest, ::testing::Values(false, true),
                         [](const auto& test) { return test.param ? "LegacyEd" : "HashedED"; });

// The key beside the program: absent means no check, anything broken there
// must fail rather than turn the check off.
TEST(PackagePublicKey, LoadedFromBesideTheProgramAndFailsClosed) {
    TempDir dir;
    const std::string savedAppDir = AppDir;
    AppDir = dir.path().string() + "/";
    const fs::path key = dir / "package-key.pub";
    const TMinisignKeys made = MakeMinisignKeys(dir.path(), "made");

    EXPECT_EQ(LoadPackagePublicKey(), std::nullopt);

    fs::copy_file(made.PublicKey, key);
    const std::optional<TMinisignPublicKey> loaded = LoadPackagePublicKey();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Key, KeyFrom(made.PublicKey).Key);

    WriteFile(key, "untrusted comment: minisign public key\nnot a key\n");
    EXPECT_THROW(LoadPackagePublicKey(), TSignatureError);
    fs::remove(key);
    fs::create_symlink(dir / "gone.pub", key);
    EXPECT_THROW(LoadPackagePublicKey(), TSignatureError);
    fs::remove(key);
    fs::create_directory(key);
    EXPECT_THROW(LoadPackagePublicKey(), TSignatureError);

    AppDir = savedAppDir;
}

}  // namespace
}  // namespace vantrel::test
