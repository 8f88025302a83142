// The dictionary reads texts and folds keys without Qt, but files written for
// the window side's Qt must mean what they always meant: each test compares
// the plain C++ with Qt itself over a whole range of inputs.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstdio>
#include <string>
#include <vector>

#include "i18n/StDict.h"
#include "i18n/ValueStream.h"
#include "tests/i18n/DictionaryBytes.h"

namespace vantrel {
namespace {

// How keys were folded with Qt: its decoder, which also drops a byte order
// mark at the start, then QString::toUpper().
std::string QtFoldKey(const std::string& key) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString wide = decoder(QByteArrayView(key.data(), static_cast<qsizetype>(key.size())));
    if (decoder.hasError()) {
        std::string upper = key;
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return upper;
    }
    return wide.toUpper().toStdString();
}

std::string Escaped(const std::string& bytes) {
    std::string text;
    char hex[5];
    for (char c : bytes) {
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
        text += hex;
    }
    return text;
}

// Gathers the first few differences and counts them all.
class TMismatches {
public:
    void Add(const std::string& what) {
        if (FShown.size() < 20) {
            FShown.push_back(what);
        }
        ++FCount;
    }
    std::string Report() const {
        std::string report = std::to_string(FCount) + " mismatch(es)";
        for (const std::string& line : FShown) {
            report += "\n  " + line;
        }
        return report;
    }
    int Count() const { return FCount; }

private:
    std::vector<std::string> FShown;
    int FCount = 0;
};

TEST(QtAgreementTest, EveryCodePointFoldsAsQtUpperCasesIt) {
    TMismatches mismatches;
    for (char32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
            continue;
        }
        const std::string utf8 = QString::fromUcs4(&codePoint, 1).toStdString();
        const std::string folded = FoldKey(utf8);
        const std::string expected = QtFoldKey(utf8);
        if (folded != expected) {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
            mismatches.Add(std::string(name) + ": " + Escaped(folded) + ", Qt " +
                           Escaped(expected));
        }
    }
    EXPECT_EQ(mismatches.Count(), 0) << mismatches.Report();
}

// Calls `visit` with every text of up to `longest` units of `alphabet`, the
// empty one first, then each length in turn.
template <typename Unit, typename Visit>
void ForEveryText(const std::vector<Unit>& alphabet, std::size_t longest, Visit visit) {
    std::vector<std::size_t> digits;
    while (digits.size() <= longest) {
        std::basic_string<Unit> text;
        for (std::size_t digit : digits) {
            text += alphabet[digit];
        }
        visit(text);
        std::size_t at = 0;
        while (at < digits.size() && ++digits[at] == alphabet.size()) {
            digits[at++] = 0;
        }
        if (at == digits.size()) {
            digits.push_back(0);
        }
    }
}

// Every string of up to four bytes taken from the values where UTF-8's rules
// change (continuation ranges, overlong and surrogate leads, the end of
// Unicode, a byte order mark) decodes, replaces and folds as with Qt, both as
// a UTF-8 text and as an 8-bit one in the (UTF-8) code page.
TEST(QtAgreementTest, DamagedUtf8ReadsAndFoldsAsWithQt) {
    const std::vector<char> bytes = {'a',    '\x7F', '\x80', '\x8F', '\x90', '\x9F',
                                     '\xA0', '\xBB', '\xBF', '\xC0', '\xC1', '\xC2',
                                     '\xC3', '\xDF', '\xE0', '\xE1', '\xED', '\xEF',
                                     '\xF0', '\xF1', '\xF4', '\xF5', '\xFE', '\xFF'};
    TMismatches mismatches;
    ForEveryText(bytes, 4, [&](const std::string& text) {
        const std::string values = test::TDictBytes().Utf8(text).Short(text).Bytes();
        TValueReader reader(values);
        const std::u16string asUtf8 = reader.ReadWideString();
        const std::u16string asCodePage = reader.ReadWideString();
        const auto size = static_cast<qsizetype>(text.size());
        if (asUtf8 != QString::fromUtf8(text.data(), size).toStdU16String() ||
            asCodePage != QString::fromLocal8Bit(text.data(), size).toStdU16String() ||
            FoldKey(text) != QtFoldKey(text)) {
            mismatches.Add(Escaped(text));
        }
    });
    EXPECT_EQ(mismatches.Count(), 0) << mismatches.Report();
}

// Wide texts narrowed to the code page: surrogates without a partner are
// where Qt had to choose.
TEST(QtAgreementTest, WideTextsNarrowAsWithQt) {
    const std::vector<char16_t> units = {u'a',   0xE4,   0x7FF,  0x800,  0xFFFD,
                                         0xFFFF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF};
    TMismatches mismatches;
    ForEveryText(units, 3, [&](const std::u16string& text) {
        const std::string value = test::TDictBytes().Wide(text).Bytes();
        TValueReader reader(value);
        if (reader.ReadString() != QString::fromStdU16String(text).toLocal8Bit().toStdString()) {
            mismatches.Add(Escaped(value));
        }
    });
    EXPECT_EQ(mismatches.Count(), 0) << mismatches.Report();
}

}  // namespace
}  // namespace vantrel
