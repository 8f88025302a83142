#include "core/PopupRecords.h"

#include "core/SourceTexts.h"

namespace vantrel {

const TPopupInfoRec PopupNewVersionAvailable{std::string(texts::kPopupAvailableCaption),
                                             std::string(texts::kPopupAvailableText),
                                             std::string(texts::kPopupAvailableGo)};

const TPopupInfoRec PopupNewVersionDownloaded{std::string(texts::kPopupDownloadedCaption),
                                              std::string(texts::kPopupDownloadedText),
                                              std::string(texts::kPopupDownloadedGo)};

}  // namespace vantrel
