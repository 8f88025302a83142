// Whole-file reading and atomic replacement for the tool's inputs and outputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace vantrel::tools {

// No input the tool reads is legitimately larger than this.
inline constexpr std::size_t kMaxInputFileSize = std::size_t{256} * 1024 * 1024;

// The file's bytes. Throws TToolError (FileError) when it cannot be read or
// is larger than `limit`.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path,
                                        std::size_t limit = kMaxInputFileSize);

// Replaces `path` with `bytes` through a temporary file in the same
// directory, so readers see either the old file or the complete new one.
// Throws TToolError (FileError); the temporary file is then removed.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace vantrel::tools
