// A generated tree of a few thousand files packed by velmoor-tool and read back
// through FileHandle: whole loads from a compressed archive, streaming reads
// with seeks from a stored one.
#include <random>

#include "files_fixture.h"

namespace files_test {
namespace {

struct GeneratedFile {
    std::string relative;  // with '/' and the original capitalisation
    std::string content;
};

std::vector<GeneratedFile> GenerateTree(std::mt19937& rng) {
    const std::string kanji[] = {testing_support::SjisRaw("背景"), testing_support::SjisRaw("表"),
                                 testing_support::SjisRaw("ソフト"), "BGM", "se"};
    std::vector<GeneratedFile> tree;
    const int kFiles = 3000;
    for (int i = 0; i < kFiles; ++i) {
        std::string folder = kanji[i % 5] + "/" + (i % 3 ? "Sub" + std::to_string(i % 7) + "/" : "");
        std::string leaf = (i % 4 == 0 ? kanji[(i / 4) % 3] : std::string("File")) + std::to_string(i) +
                           (i % 2 ? ".PNG" : ".txt");
        size_t size;
        if (i < 4) {
            size = static_cast<size_t>(i);  // 0..3 bytes
        } else if (i % 1500 == 5) {
            size = 1000000 + rng() % 1000000;  // two files of 1-2 MB
        } else if (i % 4 == 1) {
            size = 2048 + rng() % 8000;
        } else {
            size = rng() % 2048;
        }
        tree.push_back({folder + leaf, TestBytes(size, static_cast<uint32_t>(i))});
    }
    return tree;
}

std::string ReadChunked(files::FileHandle* h, size_t total) {
    static const size_t kChunks[] = {7, 1000, 4099, 1, 333};
    std::string out;
    size_t k = 0;
    while (out.size() < total + 1) {
        size_t chunk = kChunks[k++ % 5];
        std::string piece(chunk, '\0');
        size_t got = h->ops.read(h, piece.data(), 1, chunk);
        out.append(piece, 0, got);
        if (got < chunk) break;
    }
    return out;
}

TEST_F(FilesTest, PackedTreeReadsBackExactly) {
    std::mt19937 rng(20240611);
    std::vector<GeneratedFile> tree = GenerateTree(rng);
    for (const GeneratedFile& f : tree) Write("tree/" + f.relative, f.content);

    std::string output;
    ASSERT_EQ(testing_support::RunProgram({testing_support::ToolPath(), "pack", "cmp.cva", "tree"}, &output), 0)
        << output;
    ASSERT_EQ(testing_support::RunProgram(
                  {testing_support::ToolPath(), "pack", "raw.cva", "tree", "--store"}, &output),
              0)
        << output;
    Index();
    ASSERT_EQ(files::ArchiveChain().size(), 2u);
    ASSERT_EQ(files::ArchiveChain()[0]->entries.size(), tree.size());

    for (const GeneratedFile& f : tree) {
        ASSERT_EQ(Load("cmp/" + f.relative), f.content) << f.relative;

        files::FileHandle h;
        ASSERT_EQ(files::BindFile(&h, ("raw/" + f.relative).c_str()), 1);
        ASSERT_NE(h.archiveEntry, nullptr) << f.relative;
        ASSERT_EQ(h.ops.open(&h), 1);
        ASSERT_EQ(static_cast<size_t>(h.size), f.content.size());
        ASSERT_EQ(ReadChunked(&h, f.content.size()), f.content) << f.relative;
        // Random seeks from the start and back from the end, short reads.
        for (int s = 0; s < 4 && !f.content.empty(); ++s) {
            size_t at = rng() % f.content.size();
            if (s % 2) {
                ASSERT_EQ(h.ops.seek(&h, static_cast<long>(f.content.size() - at), 2), 0);
            } else {
                ASSERT_EQ(h.ops.seek(&h, static_cast<long>(at), 0), 0);
            }
            ASSERT_EQ(h.ops.tell(&h), static_cast<long>(at));
            char piece[19];
            size_t got = h.ops.read(&h, piece, 1, sizeof(piece));
            ASSERT_EQ(std::string(piece, got), f.content.substr(at, sizeof(piece))) << f.relative;
        }
        h.ops.release(&h);
    }
}

}  // namespace
}  // namespace files_test
