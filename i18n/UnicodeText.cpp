#include "i18n/UnicodeText.h"

#include <algorithm>
#include <iterator>

#include "i18n/UpperCaseTable.h"

namespace vantrel::unicode {

namespace {

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

}  // namespace

char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    // The second byte's range also rules out overlong forms, surrogates and
    // code points past U+10FFFF.
    std::size_t length = 0;
    char32_t codePoint = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        ++pos;
        return kNotDecoded;
    }
    if (text.size() - pos < length) {
        ++pos;
        return kNotDecoded;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!(i == 1 ? IsContinuation(byte, low, high) : IsContinuation(byte))) {
            ++pos;
            return kNotDecoded;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    pos += length;
    return codePoint;
}

void AppendUtf8(char32_t codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::u16string Utf8ToUtf16Lenient(std::string_view text, bool* damaged) {
    std::u16string wide;
    wide.reserve(text.size());
    bool replaced = false;
    std::size_t pos = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < text.size()) {
        char32_t codePoint = DecodeUtf8(text, pos);
        if (codePoint == kNotDecoded) {
            codePoint = kReplacementCharacter;
            replaced = true;
        }
        if (codePoint >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(codePoint);
        }
    }
    if (damaged != nullptr) {
        *damaged = replaced;
    }
    return wide;
}

std::string Utf16ToUtf8Lenient(std::u16string_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t codePoint = text[i];
        const bool high = codePoint >= 0xD800 && codePoint <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
            codePoint = kReplacementCharacter;
        }
        AppendUtf8(codePoint, narrow);
    }
    return narrow;
}

void AppendUpperCaseUtf8(char32_t codePoint, std::string& out) {
    using unicode_tables::kUpperExpansions;
    using unicode_tables::kUpperRuns;
    const auto* expansion =
        std::lower_bound(std::begin(kUpperExpansions), std::end(kUpperExpansions), codePoint,
                         [](const unicode_tables::TUpperExpansion& entry, char32_t cp) {
                             return entry.CodePoint < cp;
                         });
    if (expansion != std::end(kUpperExpansions) && expansion->CodePoint == codePoint) {
        for (const char32_t unit : expansion->Upper) {
            if (unit != 0) {
                AppendUtf8(unit, out);
            }
        }
        return;
    }
    // The last run that starts at or before the code point.
    const auto* run = std::upper_bound(
        std::begin(kUpperRuns), std::end(kUpperRuns), codePoint,
        [](char32_t cp, const unicode_tables::TUpperRun& entry) { return cp < entry.First; });
    if (run != std::begin(kUpperRuns)) {
        --run;
        if (codePoint <= run->Last && (codePoint - run->First) % run->Step == 0) {
            codePoint = static_cast<char32_t>(static_cast<std::int32_t>(codePoint) + run->Delta);
        }
    }
    AppendUtf8(codePoint, out);
}

}  // namespace vantrel::unicode
