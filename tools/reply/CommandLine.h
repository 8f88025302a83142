// The command line of vantrel-reply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::tools {

enum class TCommand { Help, Build, Error, Inspect, Sign, SignPackage };

struct TCommandLine {
    TCommand Command = TCommand::Help;
    std::string Operand;  // PROJECT.json, TEXT or FILE
    std::optional<std::string> Output;
    bool Json = false;
    std::optional<std::string> VerifyKey;  // inspect: the public key to check FILE.minisig with
    // inspect --verify, sign, sign-package; for inspect taken from FILE's name
    // ("ID.reply") when not given.
    std::optional<std::string> Project;
    std::optional<std::string> SecretKey;  // sign, sign-package
    std::optional<std::string> PublicKey;  // sign, sign-package: checks the new signature
    std::optional<std::string> VersionText;
    std::uint32_t Version = 0;  // sign-package: VersionText as a packed version
};

// Throws TToolError (UsageError) for anything that is not one of the usage
// lines of UsageText.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace vantrel::tools
