// libFuzzer target for the user.reg parser: any bytes as the store's text.
// A store that parses must come back the same after being written out, or
// a save would change values it never touched.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/RegistryStore.h"

using vantrel::platform::FormatRegistryText;
using vantrel::platform::ParseRegistryText;
using vantrel::platform::RegistryError;
using vantrel::platform::TRegistryFile;

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "registry_text_fuzz: property violated: %s\n", what);
    std::abort();
}

bool SameKeys(const TRegistryFile& a, const TRegistryFile& b) {
    if (a.Keys.size() != b.Keys.size())
        return false;
    for (std::size_t i = 0; i < a.Keys.size(); ++i) {
        if (a.Keys[i].Path != b.Keys[i].Path || a.Keys[i].Values != b.Keys[i].Values)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TRegistryFile parsed;
    try {
        parsed = ParseRegistryText(text);
    } catch (const RegistryError&) {
        return 0;  // damaged text is a read failure, which is fine
    }
    TRegistryFile again;
    try {
        again = ParseRegistryText(FormatRegistryText(parsed));
    } catch (const RegistryError&) {
        Fail("written text does not parse");
    }
    if (!SameKeys(parsed, again))
        Fail("written text parses to other keys");
    // Deleting a tree keeps every key outside it.
    if (!parsed.Keys.empty()) {
        const std::string path = parsed.Keys.front().Path;
        TRegistryFile pruned = parsed;
        pruned.DeleteKeyTree(path);
        if (pruned.FindKey(path) != nullptr && !path.empty())
            Fail("a deleted key is still there");
    }
    return 0;
}
