// vantrel-sample-library: writes a stand-in for one edition's add-in library
// with a chosen file version, so that a demo or a vendor's staging machine
// has a "product" for the client to detect without the real Windows files.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/Declarations.h"
#include "tools/sample/PeFixture.h"

namespace {

namespace fs = std::filesystem;

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;  // bad command line, or a file that cannot be written

const char* const kUsage =
    "usage: vantrel-sample-library --edition 0|1 --version A.B.C.D DIR\n"
    "  Writes the edition's add-in library (0: kvoutlook.dll, 1: orbisk4inside.dll)\n"
    "  into DIR, created when missing, with file version A.B.C.D (each 0-65535).\n"
    "  Run the client with DIR as its working directory to have it detected.\n";

class TUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TFileVersion {
    std::uint16_t Major = 0, Minor = 0, Release = 0, Build = 0;
};

struct TSampleArgs {
    std::size_t Edition = 0;
    TFileVersion Version;
    fs::path Dir;
};

// One component of a file version: decimal digits only (no sign, no
// spaces), at most the 16 bits the version resource has room for.
std::uint16_t ParseComponent(std::string_view text, std::string_view whole) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.front() == '+' || error != std::errc() || stop != end ||
        value > 0xFFFF)
        throw TUsageError("--version wants A.B.C.D with four numbers from 0 to 65535, not \"" +
                          std::string(whole) + "\"");
    return static_cast<std::uint16_t>(value);
}

TFileVersion ParseVersion(std::string_view text) {
    std::vector<std::uint16_t> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        parts.push_back(ParseComponent(text.substr(start, dot - start), text));
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (parts.size() != 4)
        throw TUsageError("--version wants four numbers A.B.C.D, not \"" + std::string(text) +
                          "\"");
    return {parts[0], parts[1], parts[2], parts[3]};
}

std::size_t ParseEdition(std::string_view text) {
    for (std::size_t row = 0; row < vantrel::AppDescriptions.size(); ++row) {
        if (text == std::to_string(row))
            return row;
    }
    throw TUsageError("--edition wants 0 or 1, not \"" + std::string(text) + "\"");
}

TSampleArgs ParseArgs(const std::vector<std::string>& args) {
    TSampleArgs parsed;
    std::optional<std::string> edition, version, dir;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--edition" || arg == "--version") {
            if (i + 1 >= args.size())
                throw TUsageError(arg + " needs a value");
            (arg == "--edition" ? edition : version) = args[++i];
        } else if (arg.starts_with("-") && arg != "-") {
            throw TUsageError("unknown option " + arg);
        } else if (dir) {
            throw TUsageError("want one directory, got \"" + *dir + "\" and \"" + arg + "\"");
        } else {
            dir = arg;
        }
    }
    if (!edition || !version || !dir)
        throw TUsageError("want --edition, --version and a directory");
    parsed.Edition = ParseEdition(*edition);
    parsed.Version = ParseVersion(*version);
    parsed.Dir = *dir;
    return parsed;
}

fs::path WriteSample(const TSampleArgs& args) {
    std::error_code error;
    fs::create_directories(args.Dir, error);
    if (error)
        throw std::runtime_error("cannot create " + args.Dir.string() + ": " + error.message());
    fs::path file = args.Dir / std::string(vantrel::AppDescriptions[args.Edition].FileName);
    const TFileVersion& v = args.Version;
    vantrel::test::WritePeLibrary(file, v.Major, v.Minor, v.Release, v.Build);
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    try {
        const fs::path written = WriteSample(ParseArgs(args));
        std::printf("%s\n", written.string().c_str());
        return kExitOk;
    } catch (const TUsageError& e) {
        std::fprintf(stderr, "vantrel-sample-library: %s\n%s", e.what(), kUsage);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel-sample-library: %s\n", e.what());
    }
    return kExitUsage;
}
