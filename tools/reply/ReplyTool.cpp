// vantrel-reply: the vendor's tool for writing and checking update-server replies.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/TextConversion.h"
#include "protocol/ReplyReader.h"
#include "protocol/ReplyWriter.h"
#include "tools/reply/CommandLine.h"
#include "tools/reply/DisplayText.h"
#include "tools/reply/InspectReply.h"
#include "tools/reply/ProjectJson.h"
#include "tools/reply/Signing.h"
#include "tools/reply/ToolError.h"
#include "tools/reply/ToolFiles.h"

namespace vantrel::tools {
namespace {

// The writer refuses content the client could not read back whole.
std::vector<std::uint8_t> BuildReply(const TProjectReplyContent& content) {
    try {
        return BuildProjectReply(content);
    } catch (const std::logic_error& refused) {  // invalid_argument, length_error
        throw InputError(refused.what());
    }
}

// A reply is only written once the client's own reader accepts it, so a
// mistake in the content can never reach a server as a "successful" build.
void RequireClientAccepts(const std::vector<std::uint8_t>& reply) {
    TProjectInfo info;
    TProductVersionRec available;
    std::string message;
    if (!ReadProjectReply(reply, info, available, message)) {
        throw InputError("the client would refuse this reply: " +
                         Quoted(CodePageToUtf8Lossy(message)));
    }
}

int RunBuild(const TCommandLine& line) {
    const std::vector<std::uint8_t> reply = BuildReply(LoadProjectJson(line.Operand));
    RequireClientAccepts(reply);
    WriteFileAtomically(*line.Output, reply);
    return kExitOk;
}

// The text comes from the command line, so it is in the system code page
// already; it is only checked to be valid there.
int RunError(const TCommandLine& line) {
    try {
        platform::CodePageToUtf8(line.Operand);
    } catch (const std::exception&) {
        throw InputError("TEXT is not valid in the system code page (" +
                         platform::SystemCodePage() + ")");
    }
    WriteFileAtomically(*line.Output, BuildErrorReply(line.Operand));
    return kExitOk;
}

int RunInspect(const TCommandLine& line) {
    // A key that cannot be used is a usage error, found before the reply is read.
    std::optional<TMinisignPublicKey> key;
    if (line.VerifyKey)
        key = LoadPublicKey(*line.VerifyKey);
    const std::vector<std::uint8_t> reply = ReadWholeFile(line.Operand);
    TReplyInspection inspection = InspectReply(reply);
    if (key)
        inspection.Signature = CheckReplySignature(reply, line.Operand, *key, *line.Project);
    if (line.Json) {
        PrintInspectionJson(inspection, std::cout);
    } else {
        PrintInspectionText(inspection, std::cout);
    }
    std::cout.flush();
    if (!std::cout)
        throw FileError("cannot write to standard output");
    const bool signatureGood = !inspection.Signature || inspection.Signature->Verified;
    return inspection.Accepted && signatureGood ? kExitOk : kExitRefused;
}

// sign and sign-package: minisign makes the signature; with --public it is
// then checked as the client would, so that a mismatched key pair or a
// comment the client would not take is found before anything is uploaded.
int RunSign(const TCommandLine& line) {
    const std::filesystem::path file = line.Operand;
    const TSignedRelease release{*line.Project, line.Version, file.filename().string()};
    const bool package = line.Command == TCommand::SignPackage;
    const std::string comment =
        package ? PackageTrustedComment(release) : ReplyTrustedComment(*line.Project);
    std::optional<TMinisignPublicKey> key;
    if (line.PublicKey)
        key = LoadPublicKey(*line.PublicKey);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        throw FileError("cannot sign " + file.string() + ": it is not a file");

    SignWithMinisign(*line.SecretKey, file, comment);
    const std::string signature = SignatureFileOf(file).string();
    if (key) {
        const TSignatureCheck check =
            package ? CheckPackageSignature(file, *key, release)
                    : CheckReplySignature(ReadWholeFile(file), file, *key, *line.Project);
        if (!check.Verified) {
            throw InputError(signature + " was written but does not verify with " +
                             *line.PublicKey + ": " + check.Error.value_or(""));
        }
    }
    std::cout << "Signed " << file.string() << " into " << signature << " with the trusted comment "
              << Quoted(comment) << (key ? ", verified with " + *line.PublicKey : std::string())
              << '\n';
    return kExitOk;
}

int Run(const std::vector<std::string>& args) {
    const TCommandLine line = ParseCommandLine(args);
    switch (line.Command) {
        case TCommand::Build:
            return RunBuild(line);
        case TCommand::Error:
            return RunError(line);
        case TCommand::Inspect:
            return RunInspect(line);
        case TCommand::Sign:
        case TCommand::SignPackage:
            return RunSign(line);
        case TCommand::Help:
            break;
    }
    std::cout << UsageText();
    return kExitOk;
}

}  // namespace
}  // namespace vantrel::tools

int main(int argc, char** argv) {
    using namespace vantrel::tools;
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const TUsageError& failure) {
        std::cerr << "vantrel-reply: " << failure.what()
                  << "\nTry 'vantrel-reply --help' for more information.\n";
        return failure.Status();
    } catch (const TToolError& failure) {
        std::cerr << "vantrel-reply: " << failure.what() << '\n';
        return failure.Status();
    } catch (const std::exception& failure) {
        std::cerr << "vantrel-reply: " << failure.what() << '\n';
        return kExitRefused;
    }
}
