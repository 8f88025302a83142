#include "platform/TextConversion.h"

#include <windows.h>

#include <stdexcept>

namespace vantrel::platform {
namespace {

std::u16string ToUtf16(UINT codePage, const std::string& text, const char* from) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int count =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (count <= 0)
        throw std::runtime_error(std::string("text is not valid ") + from);
    std::u16string wide(static_cast<std::size_t>(count), u'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size,
                        reinterpret_cast<wchar_t*>(wide.data()), count);
    return wide;
}

// A character the code page lacks is an error, never a silent "?": the
// caller would otherwise store or compare a different text.
std::string FromUtf16(UINT codePage, const std::u16string& text, const char* to) {
    if (text.empty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* defaultUsed = utf8 ? nullptr : &usedDefault;
    const int count =
        WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, nullptr, defaultUsed);
    if (count <= 0 || usedDefault)
        throw std::runtime_error(std::string("text cannot be written as ") + to);
    std::string narrow(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(codePage, flags, wide, size, narrow.data(), count, nullptr, defaultUsed);
    return narrow;
}

}  // namespace

const std::string& SystemCodePage() {
    static const std::string codePage = "CP" + std::to_string(GetACP());
    return codePage;
}

std::string CodePageToUtf8(const std::string& text) {
    return FromUtf16(CP_UTF8, ToUtf16(CP_ACP, text, SystemCodePage().c_str()), "UTF-8");
}

std::string Utf8ToCodePage(const std::string& text) {
    return FromUtf16(CP_ACP, ToUtf16(CP_UTF8, text, "UTF-8"), SystemCodePage().c_str());
}

std::u16string CodePageToUtf16(const std::string& text) {
    return ToUtf16(CP_ACP, text, SystemCodePage().c_str());
}

std::string Utf16ToCodePage(const std::u16string& text) {
    return FromUtf16(CP_ACP, text, SystemCodePage().c_str());
}

std::u16string Utf8ToUtf16(const std::string& text) {
    return ToUtf16(CP_UTF8, text, "UTF-8");
}

}  // namespace vantrel::platform
