// Conversions between the check side's texts and the window's, shared by the
// main window's source files.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace vantrel::main_parts {

inline QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string Std(std::string_view text) {
    return std::string(text);
}

}  // namespace vantrel::main_parts
