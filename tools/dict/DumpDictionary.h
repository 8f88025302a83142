// What vantrel-dict dump shows of a loaded (or partly loaded) repository.
#pragma once

#include <string>

#include "i18n/SFTranslateRepository.h"

namespace vantrel::tools {

// `loaded` is LoadDictionary's result; on a failure the error and its byte
// offset are part of the output.
std::string DumpAsText(const std::string& fileName, TSFTranslateRepository& repository,
                       bool loaded);
std::string DumpAsJson(const std::string& fileName, TSFTranslateRepository& repository,
                       bool loaded);

}  // namespace vantrel::tools
