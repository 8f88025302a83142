// The project-info query: one request to the update server at start-up.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// The query URL for a project and the installed packed version (sent as a
// signed 32-bit decimal number; the project identifier is sent unescaped).
std::string ProjectInfoQueryURL(const std::string& projectID, std::uint32_t installedVersion);

// Asks the server about ProjectID at InstalledProduct.Version and fills
// ProjectInfo and AvailableProduct. False when the query failed; ErrorMessage
// then holds the reason, and is empty otherwise.
bool QueryProjectInfo();

}  // namespace vantrel
