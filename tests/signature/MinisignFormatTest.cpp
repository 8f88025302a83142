// The minisign file formats' corner cases, on files edited by hand from ones
// the real tool made.
#include <gtest/gtest.h>
#include <sodium.h>

#include <string>
#include <vector>

#include "signature/MinisignFormat.h"
#include "signature/PackageSignature.h"
#include "tests/support/Minisign.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

std::string TextOf(const std::filesystem::path& file) {
    const auto bytes = ReadFile(file);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines, const std::string& ending = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + ending;
    return text;
}

// The base64 line with its first two decoded bytes (the algorithm) replaced.
std::string WithAlgorithm(const std::string& line, const char* algorithm) {
    std::vector<unsigned char> bin(line.size());
    std::size_t size = 0;
    EXPECT_EQ(sodium_base642bin(bin.data(), bin.size(), line.data(), line.size(), nullptr, &size,
                                nullptr, sodium_base64_VARIANT_ORIGINAL),
              0);
    bin[0] = static_cast<unsigned char>(algorithm[0]);
    bin[1] = static_cast<unsigned char>(algorithm[1]);
    std::string out(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), bin.data(), size, sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1);  // its terminating zero
    return out;
}

class MinisignFormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(sodium_init(), 0);
        FKeys = MakeMinisignKeys(FDir.path(), "key");
        WriteFile(FDir / "pkg", std::string("a package"));
        MinisignSign(FKeys, FDir / "pkg", "release");
        FSig = LinesOf(TextOf(FDir / "pkg.minisig"));
        FPub = LinesOf(TextOf(FKeys.PublicKey));
        ASSERT_EQ(FSig.size(), 4u);
        ASSERT_EQ(FPub.size(), 2u);
    }

    // Empty when the package verifies, otherwise the error's text.
    std::string VerifyError(const std::string& signature) {
        try {
            VerifyPackageFile((FDir / "pkg").string(), signature,
                              ParseMinisignPublicKey(Joined(FPub)));
            return "";
        } catch (const TSignatureError& e) {
            return e.what();
        }
    }

    std::string KeyError(const std::string& keyFile) {
        try {
            ParseMinisignPublicKey(keyFile);
            return "";
        } catch (const TSignatureError& e) {
            return e.what();
        }
    }

    TempDir FDir;
    TMinisignKeys FKeys;
    std::vector<std::string> FSig;
    std::vector<std::string> FPub;
};

struct TFormatCase {
    const char* Name;
    std::string Text;
    const char* Error;  // "" when accepted
};

void ExpectOutcome(const TFormatCase& c, const std::string& error) {
    SCOPED_TRACE(c.Name);
    if (*c.Error == '\0') {
        EXPECT_EQ(error, "");
    } else {
        EXPECT_NE(error.find(c.Error), std::string::npos) << error;
    }
}

TEST_F(MinisignFormatTest, SignatureFileCornerCases) {
    const auto with = [this](std::size_t line, const std::string& text) {
        std::vector<std::string> lines = FSig;
        lines[line] = text;
        return Joined(lines);
    };
    const std::string sig = FSig[1];
    const std::string global = FSig[3];
    const TFormatCase cases[] = {
        {"as written", Joined(FSig), ""},
        {"CRLF line endings", Joined(FSig, "\r\n"), ""},
        {"no final newline", Joined(FSig).substr(0, Joined(FSig).size() - 1), ""},
        {"blank lines after", Joined(FSig) + "\n \n", ""},
        {"spaces after base64", with(1, sig + "  "), ""},
        {"empty file", "", "four lines"},
        {"no untrusted comment", Joined({FSig[1], FSig[2], FSig[3]}), "four lines"},
        {"first line not a comment", with(0, "comment: x"), "untrusted comment"},
        {"trusted comment prefix broken", with(2, "trusted comment:release"), "trusted comment"},
        {"text after the last line", Joined(FSig) + "more\n", "four lines"},
        {"base64 with a bad character", with(1, "*" + sig.substr(1)), "not valid base64"},
        {"base64 with a space inside", with(1, sig.substr(0, 8) + " " + sig.substr(8)),
         "not valid base64"},
        {"signature cut short", with(1, sig.substr(0, sig.size() - 4)), "wrong length"},
        {"signature too long", with(1, sig + "AAAA"), "not valid base64"},
        {"signature far too long", with(1, sig.substr(0, sig.size() - 4) + sig), "wrong length"},
        {"global signature cut short", with(3, global.substr(4)), "wrong length"},
        {"unknown algorithm", with(1, WithAlgorithm(sig, "Ex")), "algorithm"},
        {"lower-case algorithm", with(1, WithAlgorithm(sig, "ed")), "algorithm"},
        {"line too long", with(0, "untrusted comment: " + std::string(3000, 'x')), "too long"},
        {"file too large", with(0, "untrusted comment: x") + std::string(9000, '\n'), "larger"},
        {"zero byte", with(2, std::string("trusted comment: rel\0ease", 25)), "zero byte"},
    };
    for (const TFormatCase& c : cases)
        ExpectOutcome(c, VerifyError(c.Text));
}

TEST_F(MinisignFormatTest, PublicKeyFileCornerCases) {
    const std::string key = FPub[1];
    const TFormatCase cases[] = {
        {"as written", Joined(FPub), ""},
        {"CRLF line endings", Joined(FPub, "\r\n"), ""},
        {"empty file", "", "two lines"},
        {"key line alone", key + "\n", "two lines"},
        {"no comment prefix", Joined({"minisign public key", key}), "untrusted comment"},
        {"bad base64", Joined({FPub[0], key.substr(0, 10) + "!" + key.substr(11)}),
         "not valid base64"},
        {"key cut short", Joined({FPub[0], key.substr(0, key.size() - 4)}), "wrong length"},
        {"a signature's algorithm", Joined({FPub[0], WithAlgorithm(key, "ED")}), "algorithm"},
        {"a signature in its place", Joined({FPub[0], FSig[1]}), "wrong length"},
        {"a third line", Joined({FPub[0], key, key}), "two lines"},
    };
    for (const TFormatCase& c : cases)
        ExpectOutcome(c, KeyError(c.Text));
}

// The key id as minisign names it in the public key's comment.
TEST_F(MinisignFormatTest, KeyIdReadsAsMinisignPrintsIt) {
    const TMinisignPublicKey key = ParseMinisignPublicKey(Joined(FPub));
    EXPECT_EQ(FPub[0], "untrusted comment: minisign public key " + KeyIdText(key.KeyId));
}

}  // namespace
}  // namespace vantrel::test
