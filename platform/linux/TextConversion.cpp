#include "platform/TextConversion.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <stdexcept>
#include <vector>

namespace vantrel::platform {
namespace {

// Runs iconv over `inBytes` bytes at `in` and returns the converted bytes.
std::string Convert(const char* from, const char* to, const char* in, std::size_t inBytes) {
    iconv_t cd = iconv_open(to, from);
    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open reports failure as (iconv_t)-1
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
    }
    std::string out;
    std::vector<char> chunk(4096);
    char* src = const_cast<char*>(in);
    std::size_t srcLeft = inBytes;
    while (srcLeft > 0) {
        char* dst = chunk.data();
        std::size_t dstLeft = chunk.size();
        const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int err = errno;
        out.append(chunk.data(), chunk.size() - dstLeft);
        if (rc == static_cast<std::size_t>(-1) && err != E2BIG) {
            iconv_close(cd);
            throw std::runtime_error(std::string("text is not valid ") + from +
                                     " or cannot be written as " + to);
        }
    }
    // Flush whatever shift state a stateful encoding still holds.
    char* dst = chunk.data();
    std::size_t dstLeft = chunk.size();
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(chunk.data(), chunk.size() - dstLeft);
    iconv_close(cd);
    return out;
}

std::string ToBytes(const std::u16string& text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::u16string FromBytes(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    return text;
}

}  // namespace

const std::string& SystemCodePage() {
    static const std::string codePage = [] {
        std::setlocale(LC_CTYPE, "");
        std::string name = nl_langinfo(CODESET);
        if (name.empty() || name == "ANSI_X3.4-1968" || name == "ASCII")
            name = "UTF-8";
        return name;
    }();
    return codePage;
}

std::string CodePageToUtf8(const std::string& text) {
    return Convert(SystemCodePage().c_str(), "UTF-8", text.data(), text.size());
}

std::string Utf8ToCodePage(const std::string& text) {
    return Convert("UTF-8", SystemCodePage().c_str(), text.data(), text.size());
}

std::u16string CodePageToUtf16(const std::string& text) {
    return FromBytes(Convert(SystemCodePage().c_str(), "UTF-16LE", text.data(), text.size()));
}

std::string Utf16ToCodePage(const std::u16string& text) {
    const std::string bytes = ToBytes(text);
    return Convert("UTF-16LE", SystemCodePage().c_str(), bytes.data(), bytes.size());
}

std::u16string Utf8ToUtf16(const std::string& text) {
    return FromBytes(Convert("UTF-8", "UTF-16LE", text.data(), text.size()));
}

}  // namespace vantrel::platform
