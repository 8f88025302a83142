#include "tools/reply/CommandLine.h"

#include "tools/reply/ToolError.h"

namespace vantrel::tools {
namespace {

TCommand CommandNamed(const std::string& name) {
    if (name == "build")
        return TCommand::Build;
    if (name == "error")
        return TCommand::Error;
    if (name == "inspect")
        return TCommand::Inspect;
    if (name == "--help" || name == "-h" || name == "help")
        return TCommand::Help;
    throw UsageError("unknown command \"" + name + "\"");
}

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

void SetOutput(TCommandLine& line, const std::string& path) {
    if (line.Command == TCommand::Inspect)
        throw UsageError("inspect writes no file; -o is not used");
    if (line.Output)
        throw UsageError("-o is given more than once");
    if (path.empty())
        throw UsageError("-o needs a file name");
    line.Output = path;
}

void CheckComplete(TCommandLine& line, const std::vector<std::string>& operands) {
    const char* what = line.Command == TCommand::Build   ? "PROJECT.json"
                       : line.Command == TCommand::Error ? "TEXT"
                                                         : "FILE";
    if (operands.empty())
        throw UsageError(std::string("missing ") + what);
    if (operands.size() > 1)
        throw UsageError("unexpected argument \"" + operands[1] + "\"");
    line.Operand = operands.front();
    if (line.Command != TCommand::Inspect && !line.Output)
        throw UsageError("missing -o FILE");
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine line;
    if (args.empty())
        throw UsageError("no command given");
    line.Command = CommandNamed(args[0]);
    if (line.Command == TCommand::Help)
        return line;

    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (IsHelp(arg)) {
            line.Command = TCommand::Help;
            return line;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 == args.size())
                throw UsageError(arg + " needs a file name");
            SetOutput(line, args[++i]);
        } else if (arg.starts_with("--output=")) {
            SetOutput(line, arg.substr(9));
        } else if (arg == "--json" && line.Command == TCommand::Inspect) {
            line.Json = true;
        } else {
            throw UsageError("unknown option \"" + arg + "\"");
        }
    }
    CheckComplete(line, operands);
    return line;
}

std::string UsageText() {
    return "Usage:\n"
           "  vantrel-reply build PROJECT.json -o FILE\n"
           "  vantrel-reply error TEXT -o FILE\n"
           "  vantrel-reply inspect [--json] FILE\n"
           "  vantrel-reply --help\n"
           "\n"
           "build    writes a project-information reply from a JSON project description:\n"
           "         an object with the texts ProductTitle, ProductDescription,\n"
           "         ProductFeatures, WebSiteURL, DownloadURL, NewVersionDescription,\n"
           "         NewVersionBugFixes, NewVersionAddons and Promotion (UTF-8, missing\n"
           "         means empty), ProductLogo (path of a JPEG file, relative to the\n"
           "         JSON file; it cannot be combined with the last four texts),\n"
           "         Version (\"a.b.c.d\", required), FileName (the package's file name,\n"
           "         required unless Found is false), Found and Compressed (true or\n"
           "         false, both true when missing).\n"
           "error    writes a server error reply carrying TEXT.\n"
           "inspect  reads FILE exactly as the client does and shows what it finds;\n"
           "         --json prints one JSON object instead.\n"
           "\n"
           "-o, --output FILE  the reply file to write; it is replaced only when the\n"
           "                   whole reply could be built.\n"
           "--                 ends the options (for a TEXT that starts with \"-\").\n"
           "\n"
           "Exit status: 0 success (inspect: the client accepts the reply), 1 input\n"
           "refused (inspect: the client refuses the reply), 2 usage error or a file\n"
           "that cannot be read or written.\n";
}

}  // namespace vantrel::tools
