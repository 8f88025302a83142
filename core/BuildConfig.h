// The vendor's addresses and the product's directory, built into the
// program at configure time.
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

// The directory that holds the product's add-in libraries; empty when the
// build names none, and then they are looked up in the current directory.
const std::string& ProductDirectory();

// Where the add-in library `fileName` is looked up: in `directory`, or, when
// that is empty, in the current directory.
std::string ProductFilePath(const std::string& directory, const std::string& fileName);

}  // namespace vantrel
