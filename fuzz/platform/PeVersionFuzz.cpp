// libFuzzer target for the PE version reader: any bytes as a library image.
// The sanitizers catch reads outside the input; the target adds that a
// result never depends on bytes past the end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/PeVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> image(data, size);
    const auto version = vantrel::platform::ReadPeFileVersion(image);
    // The same image followed by garbage must give the same answer when the
    // reader stays inside the structures it found.
    std::vector<std::uint8_t> padded(data, data + size);
    padded.resize(size + 64, 0xA5);
    const auto again = vantrel::platform::ReadPeFileVersion(std::span<const std::uint8_t>(padded));
    if (version && (!again || again->MS != version->MS || again->LS != version->LS)) {
        std::fprintf(stderr,
                     "pe_version_fuzz: a version read changed with bytes after the image\n");
        std::abort();
    }
    return 0;
}
