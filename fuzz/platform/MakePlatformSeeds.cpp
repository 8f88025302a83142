// Writes the starting corpora of the PE and user.reg fuzz targets: fixture
// libraries of every shape the tests use, and typical stores.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/sample/PeFixture.h"

namespace {

void Write(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PE_DIR REG_DIR\n", argv[0]);
        return 2;
    }
    using vantrel::test::TVersionResource;
    std::filesystem::create_directories(argv[1]);
    std::filesystem::create_directories(argv[2]);
    int n = 0;
    for (const bool plus : {false, true}) {
        for (const auto resource : {TVersionResource::Present, TVersionResource::NoResources,
                                    TVersionResource::NoVersion, TVersionResource::EmptyVersion}) {
            vantrel::test::TPeFixture fixture;
            fixture.Pe32Plus = plus;
            fixture.Resource = resource;
            fixture.Major = 4;
            fixture.Build = 7;
            const auto bytes = vantrel::test::BuildPeLibrary(fixture);
            Write(std::filesystem::path(argv[1]) / ("library-" + std::to_string(n++)),
                  std::string(bytes.begin(), bytes.end()));
        }
    }
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    Write(std::filesystem::path(argv[2]) / "state",
          header +
              "[HKEY_CURRENT_USER\\Vantrel]\n\"Update Status\"=hex:01\n"
              "\"Downloading Version\"=hex:01,00,00,04\n\"Update Mode\"=hex:02\n"
              "\"Next Scheduled Update\"=hex:00,00,00,00,00,c0,e6,40\n");
    Write(std::filesystem::path(argv[2]) / "types",
          header +
              "[HKEY_CURRENT_USER\\Other\\Sub]\n@=\"default \\\"q\\\"\"\n\"N\"=dword:0000002a\n"
              "\"E\"=hex(2):41,00,00,00\n\"L\"=hex:01,02,\\\n  03\n; note\n\"T\"=hex(b):\n");
    return 0;
}
