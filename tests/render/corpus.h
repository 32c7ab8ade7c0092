// Locating the shared decoder corpus and reading its files.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace render_test {

// The corpus folder: $VELMOOR_CORPUS_DIR when set, else the build's default.
inline std::filesystem::path CorpusDir() {
    if (const char* env = std::getenv("VELMOOR_CORPUS_DIR"); env && *env) return env;
    return VELMOOR_CORPUS_DIR;
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

// Files of `folder` whose names end in `extension`, sorted.
inline std::vector<std::filesystem::path> FilesWithExtension(const std::filesystem::path& folder,
                                                             const std::string& extension) {
    std::vector<std::filesystem::path> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.is_regular_file() && entry.path().extension() == extension) {
            out.push_back(entry.path());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace render_test
