// The offer a test sets in the process-wide values, put back afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "core/iProcs.h"

namespace vantrel::test {

class OfferedProduct {
public:
    OfferedProduct(const std::string& downloadURL, const std::string& fileName,
                   std::uint32_t version)
        : FInfo(ProjectInfo), FProduct(AvailableProduct), FProjectID(ProjectID) {
        ProjectInfo.DownloadURL = downloadURL;
        AvailableProduct = {true, version, fileName};
    }
    ~OfferedProduct() {
        ProjectInfo = FInfo;
        AvailableProduct = FProduct;
        ProjectID = FProjectID;
    }
    OfferedProduct(const OfferedProduct&) = delete;
    OfferedProduct& operator=(const OfferedProduct&) = delete;

private:
    TProjectInfo FInfo;
    TProductVersionRec FProduct;
    std::string FProjectID;
};

}  // namespace vantrel::test
