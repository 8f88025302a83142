// Reads a fetched server reply into the project information.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/ProductVersion.h"
#include "core/ProjectInfo.h"

namespace vantrel {

// Longer texts than this are cut there, with kReplyTextCutMark after them:
// 64 KiB is far more than anyone reads in one section of the window (long
// release notes run to a few KiB), and it keeps every reply the reader
// accepts one that the window shows at once, in little memory.
inline constexpr std::size_t kMaxReplyTextBytes = std::size_t{64} * 1024;
inline constexpr std::string_view kReplyTextCutMark = " [...]";

// Reads `reply` exactly as the client does after the fetch. True when it is
// a project-information reply that could be read whole: `info` and
// `available` are then filled. Otherwise `errorMessage` holds the one text
// the user would be shown; fields read before a failure keep what they got.
bool ReadProjectReply(std::span<const std::uint8_t> reply, TProjectInfo& info,
                      TProductVersionRec& available, std::string& errorMessage);

// True when `name` may be used as the package's file name inside the
// download directory: not empty, not "." or "..", no "/" or "\", no control
// characters.
bool IsSafePackageFileName(const std::string& name);

}  // namespace vantrel
