// The project-info query: one request to the update server at start-up.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// The query URL for a project and the installed packed version (sent as a
// signed 32-bit decimal number; the project identifier is sent unescaped).
std::string ProjectInfoQueryURL(const std::string& projectID, std::uint32_t installedVersion);

// The address of the reply's signature: ".minisig" after the last segment
// of the query's path, before its query string.
std::string ReplySignatureURL(const std::string& queryURL);

// Asks the server about ProjectID at InstalledProduct.Version and fills
// ProjectInfo and AvailableProduct. False when the query failed; ErrorMessage
// then holds the reason, and is empty otherwise.
//
// The reply comes over plain HTTP and anyone on the way can rewrite it. So
// in a build with the vendor's key (package-key.pub), a reply that is to be
// shown or acted on (a newer version offered, or ShowInfo) counts only when
// its signature, fetched from ReplySignatureURL, verifies and names this
// project; otherwise the query failed and nothing of the reply is kept. A
// quiet check that finds nothing new stays one request.
bool QueryProjectInfo();

}  // namespace vantrel
