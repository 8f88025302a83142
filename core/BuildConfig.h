// The vendor's addresses built into the program at configure time.
#pragma once

#include <string>

namespace vantrel {

// The update server's base URL ("http://host[:port]" or "https://..."), with
// no trailing "/". The environment variable VANTREL_SERVER, when set and not
// empty, replaces the built-in value.
std::string ServerBaseURL();

// The vendor's web site base URL, without a trailing "/".
const std::string& VendorWebSite();

// The support e-mail address that ends several error messages.
const std::string& SupportEmail();

}  // namespace vantrel
