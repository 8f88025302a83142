// A stand-in fuzz target for checking the replay driver itself: each input
// names what the target does with it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input == "crash")
        std::abort();
    if (input == "overread") {
        // One byte past the input: only a sanitizer sees it.
        const volatile std::uint8_t past = data[size];
        (void)past;
    }
    if (input == "leak") {
        // Nothing keeps the pointer once the call returns.
        std::uint8_t* const volatile lost = new std::uint8_t[16];
        (void)lost;
    }
    if (input == "reject")
        return -1;
    if (input == "bad-return")
        return 1;
    return 0;
}
