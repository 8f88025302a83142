// What a successful project-info query tells about the product.
#pragma once

#include <string>

#include "platform/JpegImage.h"

namespace vantrel {

// Texts are 8-bit strings in the system code page, in the order in which the
// server reply carries them.
struct TProjectInfo {
    std::string ProductTitle;
    std::string ProductDescription;
    std::string ProductFeatures;
    std::string WebSiteURL;
    std::string DownloadURL;  // the package is DownloadURL + "/" + its file name
    TJPEGImage ProductLogo;   // empty when the reply carries none
    std::string NewVersionDescription;
    std::string NewVersionBugFixes;
    std::string NewVersionAddons;
    std::string Promotion;
};

}  // namespace vantrel
