// The vendor's project description (JSON) as the content of a reply.
#pragma once

#include <filesystem>

#include "protocol/ReplyWriter.h"

namespace vantrel::tools {

// Reads and checks a project description: a JSON object whose keys are the
// reply's field names. Texts are converted from UTF-8 to the system code
// page; ProductLogo names a JPEG file, relative to the description's own
// directory. Throws TToolError naming the file and the offending key.
TProjectReplyContent LoadProjectJson(const std::filesystem::path& file);

}  // namespace vantrel::tools
