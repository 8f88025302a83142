// vantrel-reply: the vendor's tool for writing and checking update-server replies.
#include <cstdint>
#include <iostream>
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
    const TReplyInspection inspection = InspectReply(ReadWholeFile(line.Operand));
    if (line.Json) {
        PrintInspectionJson(inspection, std::cout);
    } else {
        PrintInspectionText(inspection, std::cout);
    }
    std::cout.flush();
    if (!std::cout)
        throw FileError("cannot write to standard output");
    return inspection.Accepted ? kExitOk : kExitRefused;
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
