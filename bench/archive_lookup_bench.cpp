// Archive lookups: building the index of a 20,000-entry archive, and one
// million lookups through the hashed index against the plain scan over every
// entry.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "files/archive.h"
#include "files/archive_writer.h"
#include "files/file_handle.h"

namespace {

constexpr int kEntries = 20000;
constexpr int kLookups = 1000000;

struct ArchiveFolder {
    std::string folder;
    std::vector<std::string> names;  // virtual paths, a tenth of them missing
    ArchiveFolder() {
        folder = (std::filesystem::temp_directory_path() /
                  ("velmoor-bench-" + std::to_string(std::random_device()())))
                     .string();
        std::filesystem::create_directories(folder);
        std::vector<files::PackItem> items;
        const char* dirs[] = {"bg", "ev", "se", "voice", "sys"};
        for (int i = 0; i < kEntries; ++i) {
            std::string name = std::string(dirs[i % 5]) + "\\f" + std::to_string(100000 + i) + ".png";
            items.push_back({name, "", ""});
        }
        files::PackOptions options{false, false};
        files::WriteArchive((folder + "/data.cva").c_str(), items, options, nullptr);
        std::mt19937 rng(1);
        for (int i = 0; i < 4096; ++i) {
            int n = static_cast<int>(rng() % kEntries);
            std::string name = std::string(i % 3 ? "data/" : "x/") + dirs[n % 5] + "/f" +
                               std::to_string(100000 + n) + (i % 10 == 0 ? ".jpg" : ".png");
            names.push_back(name);
        }
    }
    ~ArchiveFolder() { std::filesystem::remove_all(folder); }
};

ArchiveFolder& Folder() {
    static ArchiveFolder folder;
    return folder;
}

void BM_BuildIndex(benchmark::State& state) {
    ArchiveFolder& f = Folder();
    for (auto _ : state) {
        files::FreeArchiveIndex();
        files::BuildArchiveIndexFrom(f.folder.c_str());
    }
    files::FreeArchiveIndex();
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

template <files::ArchiveMatch (*Find)(char*)>
void Lookups(benchmark::State& state) {
    ArchiveFolder& f = Folder();
    files::FreeArchiveIndex();
    files::BuildArchiveIndexFrom(f.folder.c_str());
    char name[files::kNameSize];
    size_t found = 0;
    for (auto _ : state) {
        for (int i = 0; i < kLookups; ++i) {
            const std::string& n = f.names[static_cast<size_t>(i) & 4095];
            std::memcpy(name, n.c_str(), n.size() + 1);
            found += Find(name).entry != nullptr;
        }
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * kLookups);
    files::FreeArchiveIndex();
}

void BM_MillionLookupsIndexed(benchmark::State& state) { Lookups<files::FindArchiveEntry>(state); }
void BM_MillionLookupsLinear(benchmark::State& state) { Lookups<files::FindArchiveEntryLinear>(state); }
BENCHMARK(BM_MillionLookupsIndexed)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MillionLookupsLinear)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
