#include "core/BuildConfig.h"

#include <cstdlib>

#include "core/BuildDefaults.h"

namespace vantrel {
namespace {

std::string WithoutTrailingSlashes(std::string url) {
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url;
}

}  // namespace

std::string ServerBaseURL() {
    const char* fromEnvironment = std::getenv("VANTREL_SERVER");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return WithoutTrailingSlashes(fromEnvironment);
    }
    return WithoutTrailingSlashes(VANTREL_BUILTIN_SERVER_URL);
}

const std::string& VendorWebSite() {
    static const std::string site = WithoutTrailingSlashes(VANTREL_BUILTIN_WEB_SITE);
    return site;
}

const std::string& SupportEmail() {
    static const std::string email = VANTREL_BUILTIN_SUPPORT_EMAIL;
    return email;
}

const std::string& ProductDirectory() {
    static const std::string directory = VANTREL_BUILTIN_PRODUCT_DIR;
    return directory;
}

std::string ProductFilePath(const std::string& directory, const std::string& fileName) {
    if (directory.empty())
        return fileName;
    return directory.back() == '/' ? directory + fileName : directory + '/' + fileName;
}

}  // namespace vantrel
