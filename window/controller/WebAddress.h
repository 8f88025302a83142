// The one rule for what the window may open or download from an address the
// server sent: a web address, http or https, with a host. A file: address,
// a local path or a desktop entry would run something on a click.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// True for "http://host..." and "https://host..." (the scheme in any letter
// case, an optional user part and port, any path, query or fragment). The
// host must be there and hold none of the characters that no host name may
// hold; the port, when given, is a number up to 65535. Surrounding
// white space is not taken away: an address that has it is refused.
bool IsWebAddress(std::string_view address);

// The product's web site as the server sent it (in the system code page),
// read as the windows read it and with the white space around it taken away:
// the address to show and open (UTF-8), or none when it is no web address.
// A file: address, a local path or a desktop entry could run something on a
// click.
std::optional<std::string> WebSiteAddress(std::string_view url);

}  // namespace vantrel
