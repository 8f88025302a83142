#include "tests/support/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace vantrel::test {

#ifdef _WIN32
// A new folder under a random name: creating it fails when the name is
// taken, so no two tests share one.
TempDir::TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / ("vantrel-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            FPath = candidate;
            return;
        }
    }
    throw std::runtime_error("no scratch folder could be made");
}
#else
TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
}
#endif

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadFileText(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

// The build's own paths, unless the environment names others (a test run
// against an installed tree).
static std::filesystem::path PathSetting(const char* name, const char* builtIn) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : builtIn;
}

std::filesystem::path SourceDir() {
    return PathSetting("VANTREL_SOURCE_DIR", VANTREL_TEST_SOURCE_DIR);
}
std::filesystem::path BinDir() {
    return PathSetting("VANTREL_BIN_DIR", VANTREL_TEST_BIN_DIR);
}

void MakeFileLink(const std::filesystem::path& target, const std::filesystem::path& link) {
#ifdef _WIN32
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), 0) == 0)
        throw std::runtime_error("no link at " + link.string() + ": Windows error " +
                                 std::to_string(GetLastError()));
#else
    std::filesystem::create_symlink(target, link);
#endif
}

}  // namespace vantrel::test
