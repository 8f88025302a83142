// The minisign file formats' corner cases, on files edited by hand from ones
// the real tool made.
#include <gtest/gtest.h>
#include <sodium.h>

#include <sstream>
#include <string>
#include <vector>

#include "signature/MinisignFormat.h"
#include "signature/PackageSignature.h"
#include "tests/support/Minisign.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
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
    sodium_base642bin(bin.data(), bin.size(), line.data(), line.size(), nullptr, &size, nullptr,
                      sodium_base64_VARIANT_ORIGINAL);
    bin[0] = algorithm[0];
    bin[1] = algorithm[1];
    std::string out(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), bin.data(), size, sodium_base64_VARIANT_ORIGINAL);
    out.pop_back();  // its terminating zero
    return out;
}

// Empty when `parse` accepts, otherwise its error.
template <typename F>
std::string ErrorOf(F parse) {
    try {
        parse();
        return "";
    } catch (const TSignatureError& e) {
        return e.what();
    }
}

struct TFormatCase {
    const char* Name;
    std::string Text;
    const char* Error;  // "" when accepted
};

class MinisignFormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(sodium_init(), 0);
        FKeys = MakeMinisignKeys(FDir.path(), "key");
        WriteFile(FDir / "pkg", std::string("a package"));
        MinisignSign(FKeys, FDir / "pkg", "release");
        FSig = LinesOf(ReadFileText(FDir / "pkg.minisig"));
        FPub = LinesOf(ReadFileText(FKeys.PublicKey));
        ASSERT_EQ(FSig.size(), 4u);
        ASSERT_EQ(FPub.size(), 2u);
    }

    std::string SigWith(std::size_t line, const std::string& text) const {
        std::vector<std::string> lines = FSig;
        lines[line] = text;
        return Joined(lines);
    }

    static void Expect(const TFormatCase& c, const std::string& error) {
        SCOPED_TRACE(c.Name);
        if (*c.Error == '\0')
            EXPECT_EQ(error, "");
        else
            EXPECT_NE(error.find(c.Error), std::string::npos) << error;
    }

    TempDir FDir;
    TMinisignKeys FKeys;
    std::vector<std::string> FSig;
    std::vector<std::string> FPub;
};

TEST_F(MinisignFormatTest, SignatureFileCornerCases) {
    const std::string sig = FSig[1];
    const TFormatCase cases[] = {
        {"CRLF line endings", Joined(FSig, "\r\n"), ""},
        {"blank lines after, spaces after base64", SigWith(1, sig + "  ") + "\n \n", ""},
        {"empty file", "", "four lines"},
        {"no untrusted comment", Joined({FSig[1], FSig[2], FSig[3]}), "four lines"},
        {"first line not a comment", SigWith(0, "comment: x"), "untrusted comment"},
        {"trusted comment prefix broken", SigWith(2, "trusted comment:release"), "trusted comment"},
        {"text after the last line", Joined(FSig) + "more\n", "four lines"},
        {"base64 with a bad character", SigWith(1, "*" + sig.substr(1)), "not valid base64"},
        {"signature cut short", SigWith(1, sig.substr(0, sig.size() - 4)), "wrong length"},
        {"signature too long", SigWith(1, sig.substr(0, sig.size() - 4) + sig), "wrong length"},
        {"global signature cut short", SigWith(3, FSig[3].substr(4)), "wrong length"},
        {"unknown algorithm", SigWith(1, WithAlgorithm(sig, "Ex")), "algorithm"},
        {"line too long", SigWith(0, "untrusted comment: " + std::string(3000, 'x')), "too long"},
        {"file too large", SigWith(0, "untrusted comment: x") + std::string(9000, '\n'), "larger"},
        {"zero byte", SigWith(2, std::string("trusted comment: rel\0ease", 25)), "zero byte"},
    };
    const TMinisignPublicKey key = ParseMinisignPublicKey(Joined(FPub));
    for (const TFormatCase& c : cases)
        Expect(c, ErrorOf([&] { VerifyPackageFile((FDir / "pkg").string(), c.Text, key); }));
}

TEST_F(MinisignFormatTest, PublicKeyFileCornerCases) {
    const std::string key = FPub[1];
    const TFormatCase cases[] = {
        {"CRLF line endings", Joined(FPub, "\r\n"), ""},
        {"empty file", "", "two lines"},
        {"key line alone", key + "\n", "two lines"},
        {"no comment prefix", Joined({"minisign public key", key}), "untrusted comment"},
        {"bad base64", Joined({FPub[0], key.substr(0, 10) + "!" + key.substr(11)}),
         "not valid base64"},
        {"key cut short", Joined({FPub[0], key.substr(0, key.size() - 4)}), "wrong length"},
        {"a signature's algorithm", Joined({FPub[0], WithAlgorithm(key, "ED")}), "algorithm"},
    };
    for (const TFormatCase& c : cases)
        Expect(c, ErrorOf([&] { ParseMinisignPublicKey(c.Text); }));
}

// The key id as minisign names it in the public key's comment.
TEST_F(MinisignFormatTest, KeyIdReadsAsMinisignPrintsIt) {
    const TMinisignPublicKey key = ParseMinisignPublicKey(Joined(FPub));
    EXPECT_EQ(FPub[0], "untrusted comment: minisign public key " + KeyIdText(key.KeyId));
    // One key in sixteen has a leading zero digit, which minisign leaves out.
    EXPECT_EQ(KeyIdText({0xF3, 0xC6, 0xB9, 0xC0, 0xAE, 0xE9, 0x87, 0x03}), "387E9AEC0B9C6F3");
    EXPECT_EQ(KeyIdText({0, 0, 0, 0, 0, 0, 0, 0}), "0");
}

}  // namespace
}  // namespace vantrel::test
