// Replays a fuzz target's regression corpus without libFuzzer, so that the
// ordinary builds (and their sanitizers) run every stored input through the
// target's own entry point:
//
//     <target>_replay CORPUS_DIR
//
// A crash, an abort from a property check or a sanitizer report ends the
// process as it would under libFuzzer. A missing or empty directory is a
// failure too: a replay that runs nothing checks nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool ReadWhole(const fs::path& file, std::vector<char>& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Each input gets an allocation of exactly its size, as under libFuzzer, so
// that ASan sees a read one byte past the end.
int RunOne(const std::vector<char>& bytes) {
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return LLVMFuzzerTestOneInput(copy.get(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const fs::path dir = argv[1];
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file())
            files.push_back(it->path());
    }
    if (error) {
        std::fprintf(stderr, "cannot read the corpus %s: %s\n", dir.c_str(),
                     error.message().c_str());
        return 1;
    }
    if (files.empty()) {
        std::fprintf(stderr, "the corpus %s holds no inputs\n", dir.c_str());
        return 1;
    }
    // Sorted, so that a failure names the same input on every machine.
    std::sort(files.begin(), files.end());

    std::vector<char> bytes;
    for (const fs::path& file : files) {
        if (!ReadWhole(file, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        // Named before the run: after a crash the last name is the culprit.
        std::printf("Running: %s (%zu bytes)\n", file.filename().c_str(), bytes.size());
        std::fflush(stdout);
        // libFuzzer allows 0 and -1 (keep out of the corpus) and stops on
        // anything else.
        const int result = RunOne(bytes);
        if (result != 0 && result != -1) {
            std::fprintf(stderr, "%s: the target returned %d\n", file.c_str(), result);
            return 1;
        }
    }
    std::printf("Replayed %zu inputs from %s\n", files.size(), dir.c_str());
    return 0;
}
