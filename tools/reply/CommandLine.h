// The command line of vantrel-reply.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel::tools {

enum class TCommand { Help, Build, Error, Inspect };

struct TCommandLine {
    TCommand Command = TCommand::Help;
    std::string Operand;  // PROJECT.json, TEXT or FILE
    std::optional<std::string> Output;
    bool Json = false;
};

// Throws TToolError (UsageError) for anything that is not one of the usage
// lines of UsageText.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace vantrel::tools
