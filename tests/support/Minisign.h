// Signatures made by the real minisign tool, the signer vendors use, so that
// the check is tested against files nobody here wrote.
#pragma once

#include <filesystem>
#include <string>

namespace vantrel::test {

struct TMinisignKeys {
    std::filesystem::path PublicKey;
    std::filesystem::path SecretKey;
};

// A key pair without a password (minisign -G -W) in `dir`, named `name`.pub
// and `name`.key. Throws when minisign fails or is missing.
TMinisignKeys MakeMinisignKeys(const std::filesystem::path& dir, const std::string& name);

// Signs `file` into `file`.minisig, or into `signature` when given. `legacy`
// makes the "Ed" signature over the file itself (minisign -l).
void MinisignSign(const TMinisignKeys& keys, const std::filesystem::path& file,
                  const std::string& trustedComment, bool legacy = false,
                  const std::filesystem::path& signature = {});

}  // namespace vantrel::test
