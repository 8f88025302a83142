// What the client makes of a reply file, for the vendor to look at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "core/ProductVersion.h"
#include "core/ProjectInfo.h"
#include "protocol/ReplyContainer.h"
#include "tools/reply/Signing.h"

namespace vantrel::tools {

struct TReplyInspection {
    std::size_t Size = 0;
    bool Intact = false;
    std::optional<TReplyHeader> Header;  // none when too short for one
    // The client's own reading: whether it accepts the reply, what it got
    // (fields read before a failure included) and the message it would show.
    bool Accepted = false;
    TProjectInfo Info;
    TProductVersionRec Available;
    std::string ErrorMessage;
    std::optional<TSignatureCheck> Signature;  // with --verify only
};

TReplyInspection InspectReply(std::span<const std::uint8_t> reply);

// One labelled line per item, texts quoted and escaped.
void PrintInspectionText(const TReplyInspection& inspection, std::ostream& out);
// One JSON object; texts converted to UTF-8.
void PrintInspectionJson(const TReplyInspection& inspection, std::ostream& out);

}  // namespace vantrel::tools
