// Builds small PE libraries with a chosen file version resource, so that
// tests, fuzz seeds and the sample product need no real Windows binaries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vantrel::test {

enum class TVersionResource {
    Present,       // RT_VERSION with VS_VERSIONINFO and VS_FIXEDFILEINFO
    NoResources,   // no resource section and an empty resource directory entry
    NoVersion,     // resources, but none of type RT_VERSION
    EmptyVersion,  // RT_VERSION whose data entry has size 0
};

struct TPeFixture {
    bool Pe32Plus = false;
    TVersionResource Resource = TVersionResource::Present;
    std::uint16_t Major = 1, Minor = 0, Release = 0, Build = 0;
    // Deliberately different from the file version: readers must not mix
    // the two up.
    std::uint16_t ProductMajor = 9, ProductMinor = 8, ProductRelease = 7, ProductBuild = 6;
};

std::vector<std::uint8_t> BuildPeLibrary(const TPeFixture& fixture);

// Convenience for detection tests: a PE32 library with that file version.
void WritePeLibrary(const std::filesystem::path& file, std::uint16_t major, std::uint16_t minor,
                    std::uint16_t release, std::uint16_t build);

}  // namespace vantrel::test
