// Replays every file of a corpus folder through a fuzz target's entry point,
// so that inputs once found by the fuzzer stay covered by ordinary test runs.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    int count = 0;
    if (fs::is_directory(argv[1])) {
        for (const auto& entry : fs::recursive_directory_iterator(argv[1])) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
        }
    }
    std::printf("replayed %d inputs from %s\n", count, argv[1]);
    return 0;
}
