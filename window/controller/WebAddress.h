// The one rule for what the window may open or download from an address the
// server sent: a web address, http or https, with a host. A file: address,
// a local path or a desktop entry would run something on a click.
#pragma once

#include <string_view>

namespace vantrel {

// True for "http://host..." and "https://host..." (the scheme in any letter
// case, an optional user part and port, any path, query or fragment). The
// host must be there and hold none of the characters that no host name may
// hold; the port, when given, is a number up to 65535. Surrounding
// white space is not taken away: an address that has it is refused.
bool IsWebAddress(std::string_view address);

}  // namespace vantrel
