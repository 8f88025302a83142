#include "tools/reply/CommandLine.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "core/ProductVersion.h"
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
    if (name == "sign")
        return TCommand::Sign;
    if (name == "sign-package")
        return TCommand::SignPackage;
    if (name == "--help" || name == "-h" || name == "help")
        return TCommand::Help;
    throw UsageError("unknown command \"" + name + "\"");
}

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

bool Signs(const TCommandLine& line) {
    return line.Command == TCommand::Sign || line.Command == TCommand::SignPackage;
}

void SetOutput(TCommandLine& line, const std::string& path) {
    if (line.Command == TCommand::Inspect)
        throw UsageError("inspect writes no file; -o is not used");
    if (Signs(line))
        throw UsageError("the signature is written to FILE.minisig; -o is not used");
    if (line.Output)
        throw UsageError("-o is given more than once");
    if (path.empty())
        throw UsageError("-o needs a file name");
    line.Output = path;
}

// Where an option that takes a value keeps it; nullptr when the command has
// no such option.
std::optional<std::string>* ValueOption(TCommandLine& line, const std::string& name) {
    if (name == "--verify" && line.Command == TCommand::Inspect)
        return &line.VerifyKey;
    if (name == "--project" && (Signs(line) || line.Command == TCommand::Inspect))
        return &line.Project;
    if (name == "--key" && Signs(line))
        return &line.SecretKey;
    if (name == "--public" && Signs(line))
        return &line.PublicKey;
    if (name == "--version" && line.Command == TCommand::SignPackage)
        return &line.VersionText;
    return nullptr;
}

// A control character would end the trusted comment's line in the signature
// file, and the package comment is split at spaces, so neither could ever
// match what the client checks.
void CheckCommentPart(const std::string& what, const std::string& value, bool spacesAllowed) {
    const bool bad = std::any_of(value.begin(), value.end(), [&](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F || (c == ' ' && !spacesAllowed);
    });
    if (bad) {
        throw UsageError(what + (spacesAllowed ? " must not hold control characters"
                                               : " must not hold spaces or control characters"));
    }
}

// "replies/Orbisk4Outlook.reply" is the reply about Orbisk4Outlook, as the
// server recipe names replies.
std::optional<std::string> ProjectFromFileName(const std::string& file) {
    const std::string name = std::filesystem::path(file).filename().string();
    constexpr std::string_view kSuffix = ".reply";
    if (name.size() <= kSuffix.size() || !name.ends_with(kSuffix))
        return std::nullopt;
    return name.substr(0, name.size() - kSuffix.size());
}

void CheckSignatureOptions(TCommandLine& line) {
    if (line.Command == TCommand::Inspect) {
        if (line.Project && !line.VerifyKey)
            throw UsageError("--project is used only with --verify");
        if (line.VerifyKey && !line.Project) {
            line.Project = ProjectFromFileName(line.Operand);
            if (!line.Project)
                throw UsageError("--verify needs --project ID when FILE is not named ID.reply");
        }
        return;
    }
    if (!Signs(line))
        return;
    if (!line.SecretKey)
        throw UsageError("missing --key SECRETKEY");
    if (!line.Project)
        throw UsageError("missing --project ID");
    const bool package = line.Command == TCommand::SignPackage;
    CheckCommentPart("--project", *line.Project, !package);
    if (!package)
        return;
    if (!line.VersionText)
        throw UsageError("missing --version a.b.c.d");
    const std::optional<std::uint32_t> version = VersionFromText(*line.VersionText);
    // 0.0.0.0 is never newer than an installed version: no client takes it.
    if (!version || *version == 0) {
        throw UsageError("--version wants a release a.b.c.d (each 0 to 255, not all 0), not \"" +
                         *line.VersionText + "\"");
    }
    line.Version = *version;
    const std::string name = std::filesystem::path(line.Operand).filename().string();
    if (name.empty())
        throw UsageError("FILE must name the package file");
    CheckCommentPart("FILE's name", name, true);
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
    if ((line.Command == TCommand::Build || line.Command == TCommand::Error) && !line.Output)
        throw UsageError("missing -o FILE");
    CheckSignatureOptions(line);
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
        } else if (std::optional<std::string>* slot =
                       ValueOption(line, arg.substr(0, arg.find('=')))) {
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            if (equals == std::string::npos && i + 1 == args.size())
                throw UsageError(name + " needs a value");
            const std::string value =
                equals == std::string::npos ? args[++i] : arg.substr(equals + 1);
            if (*slot)
                throw UsageError(name + " is given more than once");
            if (value.empty())
                throw UsageError(name + " needs a value");
            *slot = value;
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
           "  vantrel-reply inspect [--json] [--verify KEYFILE [--project ID]] FILE\n"
           "  vantrel-reply sign --key SECRETKEY --project ID [--public KEYFILE] FILE\n"
           "  vantrel-reply sign-package --key SECRETKEY --project ID --version a.b.c.d\n"
           "                             [--public KEYFILE] FILE\n"
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
           "         --json prints one JSON object instead. --verify KEYFILE also\n"
           "         checks the signature FILE.minisig beside it with that minisign\n"
           "         public key, as a client built with the key does: the signature\n"
           "         and its trusted comment \"vantrel-reply project:ID\". ID is\n"
           "         --project, or else FILE's name without \".reply\" (ID.reply).\n"
           "sign     signs the reply FILE into FILE.minisig with the minisign secret\n"
           "         key SECRETKEY and the trusted comment \"vantrel-reply project:ID\".\n"
           "sign-package\n"
           "         signs the package FILE likewise, with the trusted comment\n"
           "         \"vantrel-package project:ID version:a.b.c.d file:NAME\", NAME\n"
           "         being FILE's base name.\n"
           "         Both run minisign from PATH, which asks for the key's password;\n"
           "         --public KEYFILE then checks the new signature with that public\n"
           "         key as the client would.\n"
           "\n"
           "-o, --output FILE  the reply file to write; it is replaced only when the\n"
           "                   whole reply could be built.\n"
           "--                 ends the options (for a TEXT that starts with \"-\").\n"
           "\n"
           "Exit status: 0 success (inspect: the client accepts the reply and, with\n"
           "--verify, the signature verifies), 1 input refused (inspect: the client\n"
           "refuses the reply, or its signature is missing or does not verify; sign:\n"
           "minisign failed, or the new signature does not verify), 2 usage error or\n"
           "a file that cannot be read or written.\n";
}

}  // namespace vantrel::tools
