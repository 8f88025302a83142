#include "window/controller/WebAddress.h"

#include <cstddef>

#include "i18n/UnicodeText.h"
#include "window/controller/TextTemplates.h"

namespace vantrel {
namespace {

bool SchemeIs(std::string_view scheme, std::string_view lowerCase) {
    if (scheme.size() != lowerCase.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        char c = scheme[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerCase[i])
            return false;
    }
    return true;
}

// The characters a host name never holds (the URL standard's forbidden
// domain code points): controls, the space, and those that end or split an
// authority. Bytes above ASCII are an international name's and pass.
bool IsForbiddenInHost(unsigned char c) {
    return c <= 0x20 || c == 0x7F ||
           std::string_view("#%/:<>?@[\\]^|").find(c) != std::string_view::npos;
}

bool IsRegisteredName(std::string_view host) {
    if (host.empty())
        return false;
    for (const char c : host) {
        if (IsForbiddenInHost(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// An IPv6 address between the brackets: hex digits, colons and, for an
// embedded IPv4 address, dots.
bool IsIpv6Literal(std::string_view inside) {
    if (inside.find(':') == std::string_view::npos)
        return false;
    for (const char c : inside) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != ':' && c != '.')
            return false;
    }
    return true;
}

// Empty (the scheme's own port) or a number a port can be.
bool IsPort(std::string_view port) {
    if (port.size() > 5)
        return false;
    long value = 0;
    for (const char c : port) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= 65535;
}

bool IsHostAndPort(std::string_view authority) {
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos || !IsIpv6Literal(authority.substr(1, close - 1)))
            return false;
        const std::string_view after = authority.substr(close + 1);
        return after.empty() || (after.front() == ':' && IsPort(after.substr(1)));
    }
    const std::size_t colon = authority.find(':');
    if (colon == std::string_view::npos)
        return IsRegisteredName(authority);
    return IsRegisteredName(authority.substr(0, colon)) && IsPort(authority.substr(colon + 1));
}

// White space as the windows' text handling knows it: the ASCII controls
// from tab to carriage return, the space, NEL, no-break space and the
// Unicode space, line and paragraph separators.
bool IsWhiteSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::u16string Trimmed(std::u16string text) {
    std::size_t end = text.size();
    while (end > 0 && IsWhiteSpace(text[end - 1]))
        --end;
    std::size_t begin = 0;
    while (begin < end && IsWhiteSpace(text[begin]))
        ++begin;
    return text.substr(begin, end - begin);
}

}  // namespace

bool IsWebAddress(std::string_view address) {
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos)
        return false;
    if (!SchemeIs(address.substr(0, colon), "http") && !SchemeIs(address.substr(0, colon), "https"))
        return false;
    std::string_view rest = address.substr(colon + 1);
    if (rest.substr(0, 2) != "//")
        return false;
    rest.remove_prefix(2);
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    // The user part may hold anything but ends at the last '@'.
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    return IsHostAndPort(authority);
}

std::optional<std::string> WebSiteAddress(std::string_view url) {
    std::string address = unicode::Utf16ToUtf8Lenient(Trimmed(LocalText(url)));
    if (address.empty() || !IsWebAddress(address))
        return std::nullopt;
    return address;
}

}  // namespace vantrel
