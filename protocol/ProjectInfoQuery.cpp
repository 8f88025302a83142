#include "protocol/ProjectInfoQuery.h"

#include <new>
#include <vector>

#include "core/BuildConfig.h"
#include "core/iProcs.h"
#include "protocol/HttpGet.h"
#include "protocol/ReplyReader.h"
#include "protocol/ServerMessages.h"

namespace vantrel {

std::string ProjectInfoQueryURL(const std::string& projectID, std::uint32_t installedVersion) {
    return ServerBaseURL() +
           "/cgi-bin/vantrel/VantrelSrv4.dll/GetProjectInfo?ProjectID=" + projectID +
           "&CurrentProjectVersion=" + std::to_string(static_cast<std::int32_t>(installedVersion));
}

bool QueryProjectInfo() {
    ErrorMessage.clear();
    std::vector<std::uint8_t> reply;
    try {
        if (!HttpGet(ProjectInfoQueryURL(ProjectID, InstalledProduct.Version), reply)) {
            ErrorMessage = ConnectionErrorMessage();
            return false;
        }
    } catch (const std::bad_alloc&) {
        ErrorMessage = SystemErrorMessage("Out of memory");
        return false;
    }
    return ReadProjectReply(reply, ProjectInfo, AvailableProduct, ErrorMessage);
}

}  // namespace vantrel
