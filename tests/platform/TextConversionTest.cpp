#include <gtest/gtest.h>

#include "platform/TextConversion.h"

namespace vantrel::platform {
namespace {

TEST(TextConversion, PlainCLocaleCountsAsUtf8) {
    // The suite runs with whatever locale CI has; both C and UTF-8 locales
    // must come out as UTF-8 here.
    EXPECT_EQ(SystemCodePage(), "UTF-8");
}

TEST(TextConversion, RoundTripsNonAsciiText) {
    const std::string text = "Grüße, Ωmega – 日本";
    EXPECT_EQ(CodePageToUtf16(text), u"Grüße, Ωmega – 日本");
    EXPECT_EQ(Utf16ToCodePage(u"Grüße, Ωmega – 日本"), text);
    EXPECT_EQ(Utf8ToUtf16("/lang:Deutsch"), u"/lang:Deutsch");
    EXPECT_EQ(CodePageToUtf8(Utf8ToCodePage(text)), text);
    // Longer than one conversion chunk.
    const std::string big(10000, 'x');
    EXPECT_EQ(CodePageToUtf16(big).size(), big.size());
}

TEST(TextConversion, InvalidInputIsAnErrorNotATruncation) {
    EXPECT_THROW(CodePageToUtf16("ok \xC3"), std::runtime_error);
    EXPECT_THROW(Utf8ToUtf16("\xFF\xFE"), std::runtime_error);
    EXPECT_THROW(Utf16ToCodePage(std::u16string(1, char16_t(0xD800))), std::runtime_error);
}

}  // namespace
}  // namespace vantrel::platform
