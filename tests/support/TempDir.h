// A scratch directory removed with everything in it when the object goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vantrel::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return FPath; }
    std::filesystem::path operator/(const std::string& name) const { return FPath / name; }

private:
    std::filesystem::path FPath;
};

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void WriteFile(const std::filesystem::path& path, const std::string& text);
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
std::string ReadFileText(const std::filesystem::path& path);
// A symbolic link at `link` to the file `target` (on Windows through the
// system: the runtime's create_symlink is not implemented there).
void MakeFileLink(const std::filesystem::path& target, const std::filesystem::path& link);

// The source tree and the build's bin directory; VANTREL_SOURCE_DIR and
// VANTREL_BIN_DIR in the environment replace them.
std::filesystem::path SourceDir();
std::filesystem::path BinDir();

}  // namespace vantrel::test
