// The program's 8-bit paths (AppDir, the product's files) are UTF-8 on
// every platform. On Windows a path made from a plain std::string would pass
// through the ANSI code page and lose every character outside it, so each
// such path becomes a filesystem path here, and only here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantrel::platform {

inline std::filesystem::path Utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// The inverse, for a path the system handed over.
inline std::string Utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace vantrel::platform
