// Every English text the program looks up in the dictionary: the windows'
// table and the lines of the query's error texts that the error dialog
// translates one by one.
#pragma once

#include <vector>

#include "core/SourceTexts.h"

namespace vantrel::tools {

std::vector<texts::TSourceText> LookedUpTexts();

}  // namespace vantrel::tools
