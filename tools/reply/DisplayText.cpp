#include "tools/reply/DisplayText.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "platform/TextConversion.h"

namespace vantrel::tools {
namespace {

constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";

class TIconv {
public:
    TIconv(const char* to, const char* from) : FHandle(iconv_open(to, from)) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open reports failure as (iconv_t)-1
        if (FHandle == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
        }
    }
    ~TIconv() { iconv_close(FHandle); }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    iconv_t Get() const { return FHandle; }

private:
    iconv_t FHandle;
};

std::string HexEscape(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02X", value & 0xFFu);
    return buffer;
}

std::string EscapedAscii(char c) {
    switch (c) {
        case '"':
            return "\\\"";
        case '\\':
            return "\\\\";
        case '\r':
            return "\\r";
        case '\n':
            return "\\n";
        case '\t':
            return "\\t";
        default:
            break;
    }
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F)
        return HexEscape(u);
    return std::string(1, c);
}

std::string ToUtf8Lossy(const std::string& text, const char* charset) {
    TIconv converter("UTF-8", charset);
    std::string out;
    char chunk[4096];
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* dst = chunk;
        std::size_t dstLeft = sizeof chunk;
        const std::size_t rc = iconv(converter.Get(), &in, &inLeft, &dst, &dstLeft);
        const int err = errno;
        out.append(chunk, sizeof chunk - dstLeft);
        if (rc != static_cast<std::size_t>(-1) || err == E2BIG)
            continue;
        // An invalid or cut-off sequence: replace its first byte and go on
        // from the next one, which may start a valid sequence.
        out += kReplacementCharacter;
        ++in;
        --inLeft;
    }
    char* dst = chunk;
    std::size_t dstLeft = sizeof chunk;
    iconv(converter.Get(), nullptr, nullptr, &dst, &dstLeft);
    out.append(chunk, sizeof chunk - dstLeft);
    return out;
}

}  // namespace

std::string CodePageToUtf8Lossy(const std::string& text) {
    return ToUtf8Lossy(text, platform::SystemCodePage().c_str());
}

std::string Utf8Lossy(const std::string& text) {
    return ToUtf8Lossy(text, "UTF-8");
}

std::string Quoted(const std::string& utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto u = static_cast<unsigned char>(utf8[i]);
        // U+0080..U+009F are encoded C2 80..C2 9F; some terminals act on them.
        if (u == 0xC2 && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                out += "\\u00" + HexEscape(next).substr(2);
                ++i;
                continue;
            }
        }
        out += EscapedAscii(utf8[i]);
    }
    return out + "\"";
}

}  // namespace vantrel::tools
