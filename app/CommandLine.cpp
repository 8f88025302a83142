#include "app/CommandLine.h"

#include <algorithm>
#include <stdexcept>

#include "platform/TextConversion.h"

namespace vantrel {

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

bool FirstArgumentIs(const std::vector<std::string>& arguments,
                     const std::string& lowerCaseSwitch) {
    if (arguments.empty())
        return false;
    std::string first = arguments.front();
    std::transform(first.begin(), first.end(), first.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return first == lowerCaseSwitch;
}

std::optional<std::u16string> LanguageArgument(const std::vector<std::string>& arguments) {
    constexpr std::string_view kSwitch = "/lang:";
    for (const std::string& argument : arguments) {
        if (!argument.starts_with(kSwitch))
            continue;
        try {
            return platform::Utf8ToUtf16(argument.substr(kSwitch.size()));
        } catch (const std::runtime_error&) {
            // A name that is not UTF-8 names no language; English stays.
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace vantrel
