// The switches of the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// The arguments after the program's own path (argument 0).
std::vector<std::string> ArgumentsOf(int argc, char** argv);

// True when the first argument, ASCII letters lower-cased, is exactly
// `lowerCaseSwitch` ("/uninstall", "/showinfo"); a switch in any other
// position has no effect.
bool FirstArgumentIs(const std::vector<std::string>& arguments, const std::string& lowerCaseSwitch);

// Everything after "/lang:" (case-sensitive) in the first argument that
// begins with it, decoded from UTF-8; nothing when no argument does, or the
// first one is not valid UTF-8.
std::optional<std::u16string> LanguageArgument(const std::vector<std::string>& arguments);

}  // namespace vantrel
