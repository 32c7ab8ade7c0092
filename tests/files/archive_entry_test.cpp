// Reading archive entries: scrambled prefixes, streaming reads, declared sizes
// that do not match the data.
#include <zlib.h>

#include "files_fixture.h"

namespace files_test {
namespace {

struct PrefixCase {
    int64_t sizeMinusLimit;  // stored size relative to name length + 4096
};

class ScrambledPrefixTest : public FilesTest, public ::testing::WithParamInterface<PrefixCase> {};

// Only the first name length + 4096 bytes of an entry are scrambled; the rest
// is stored as it is. Checked against the raw archive bytes, and through both
// load and streaming reads that cross the boundary.
TEST_P(ScrambledPrefixTest, ScramblesOnlyThePrefix) {
    const std::string name = "voice\\v0001.ogg";  // 15 bytes
    const int64_t limit = static_cast<int64_t>(name.size()) + 4096;
    const size_t size = static_cast<size_t>(std::max<int64_t>(0, limit + GetParam().sizeMinusLimit));
    const std::string content = TestBytes(size, 3);
    Pack("snd.cva", {{name, content}}, {.compress = false, .scramble = true});
    Index();
    const files::ArchiveEntry& entry = files::ArchiveChain()[0]->entries[0];
    EXPECT_EQ(entry.scrambledLength, std::min<int64_t>(static_cast<int64_t>(size), limit));
    std::string raw = ReadRaw("snd.cva").substr(entry.DataStart(), size);
    size_t unchangedInPrefix = 0;
    for (size_t i = 0; i < size; ++i) {
        if (static_cast<int64_t>(i) >= limit) {
            ASSERT_EQ(raw[i], content[i]) << "byte " << i << " lies after the scrambled prefix";
        } else {
            unchangedInPrefix += raw[i] == content[i];
        }
    }
    EXPECT_LE(unchangedInPrefix, size / 32 + 2);
    EXPECT_EQ(Load("snd/" + name), content);

    files::FileHandle h;
    ASSERT_EQ(files::BindFile(&h, ("snd/" + name).c_str()), 1);
    ASSERT_EQ(h.ops.open(&h), 1);
    EXPECT_EQ(h.size, static_cast<int32_t>(size));
    for (int64_t start : {int64_t{0}, limit - 7, limit - 1, limit, int64_t{1}}) {
        if (start < 0 || start >= static_cast<int64_t>(size)) continue;
        ASSERT_EQ(h.ops.seek(&h, static_cast<long>(start), 0), 0);
        EXPECT_EQ(h.ops.tell(&h), start);
        std::string chunk(13, '\0');
        size_t got = h.ops.read(&h, chunk.data(), 1, chunk.size());
        chunk.resize(got);
        EXPECT_EQ(chunk, content.substr(static_cast<size_t>(start), 13)) << "from " << start;
    }
    h.ops.release(&h);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScrambledPrefixTest,
                         ::testing::Values(PrefixCase{-100000}, PrefixCase{-4110}, PrefixCase{-1},
                                           PrefixCase{0}, PrefixCase{1}, PrefixCase{9000}));

enum Backend { kMemory, kArchive, kDisk };

struct SeekCase {
    Backend backend;
    long offset;
    int origin;
    long expected;  // tell() afterwards
};

class SeekTest : public FilesTest, public ::testing::WithParamInterface<SeekCase> {};

// Origin 2 counts back from the end for memory and archive entries but keeps
// the stdio meaning (end + offset) on disk.
TEST_P(SeekTest, OriginsPerBackend) {
    const SeekCase& c = GetParam();
    const std::string content = TestBytes(100, 9);
    Write("loose/h.bin", content);
    Pack("pak.cva", {{"f.bin", content}, {"g.bin", "other entry after f"}},
         {.compress = false, .scramble = true});
    Index();
    const char* name = c.backend == kArchive ? "pak/f.bin" : "loose/h.bin";
    if (c.backend == kMemory) {
        ASSERT_EQ(files::PreloadFile(name, false), 1);
    }
    files::FileHandle h;
    ASSERT_EQ(files::BindFile(&h, name), 1);
    ASSERT_EQ(c.backend == kMemory, h.memoryEntry != nullptr);
    ASSERT_EQ(c.backend == kArchive, h.archiveEntry != nullptr);
    ASSERT_EQ(h.ops.open(&h), 1);
    EXPECT_EQ(h.size, 100);
    ASSERT_EQ(h.ops.seek(&h, 5, 0), 0);
    ASSERT_EQ(h.ops.seek(&h, c.offset, c.origin), 0);
    EXPECT_EQ(h.ops.tell(&h), c.expected);
    char byte = 0;
    size_t got = h.ops.read(&h, &byte, 1, 1);
    if (c.expected < 100) {
        ASSERT_EQ(got, 1u);
        EXPECT_EQ(byte, content[static_cast<size_t>(c.expected)]);
    } else {
        EXPECT_EQ(got, 0u);  // the end of the entry, never the next entry's data
    }
    h.ops.release(&h);
}

INSTANTIATE_TEST_SUITE_P(
    Origins, SeekTest,
    ::testing::Values(SeekCase{kMemory, 10, 0, 10}, SeekCase{kArchive, 10, 0, 10},
                      SeekCase{kDisk, 10, 0, 10}, SeekCase{kMemory, 10, 1, 15},
                      SeekCase{kArchive, 10, 1, 15}, SeekCase{kDisk, 10, 1, 15},
                      SeekCase{kMemory, 10, 2, 90}, SeekCase{kArchive, 10, 2, 90},
                      SeekCase{kDisk, 10, 2, 110}, SeekCase{kMemory, 0, 2, 100},
                      SeekCase{kArchive, 0, 2, 100}, SeekCase{kDisk, -1, 2, 99},
                      SeekCase{kArchive, -3, 1, 2}, SeekCase{kMemory, -3, 1, 2}));

TEST_F(FilesTest, SeekBeforeTheStartIsRefused) {
    Write("loose/h.bin", TestBytes(100, 1));
    Pack("pak.cva", {{"a.bin", "first"}, {"f.bin", TestBytes(100, 1)}}, {.compress = false});
    Index();
    ASSERT_EQ(files::PreloadFile("loose/h.bin", false), 1);
    for (const char* name : {"pak/f.bin", "loose/h.bin"}) {
        files::FileHandle h;
        ASSERT_EQ(files::BindFile(&h, name), 1);
        ASSERT_EQ(h.ops.open(&h), 1);
        ASSERT_EQ(h.ops.seek(&h, 4, 0), 0);
        EXPECT_EQ(h.ops.seek(&h, -5, 1), -1) << name;
        EXPECT_EQ(h.ops.seek(&h, 101, 2), -1) << name;
        EXPECT_EQ(h.ops.tell(&h), 4) << name;
        h.ops.release(&h);
    }
}

TEST_F(FilesTest, StreamingReadStartsAtTheEntryAndStopsAtItsEnd) {
    Pack("pak.cva", {{"a.bin", "AAAA"}, {"b.bin", "0123456789"}, {"c.bin", "CCCC"}},
         {.compress = false, .scramble = true});
    Index();
    files::FileHandle h;
    ASSERT_EQ(files::BindFile(&h, "pak/b.bin"), 1);
    ASSERT_EQ(h.ops.open(&h), 1);
    char buffer[32] = {};
    EXPECT_EQ(h.ops.read(&h, buffer, 4, 8), 2u);  // 10 bytes: two whole items of 4
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(h.ops.read(&h, buffer, 1, 8), 0u);
    // Closing ends the stream; opening again starts over.
    h.ops.close(&h);
    EXPECT_EQ(h.ops.read(&h, buffer, 1, 1), 0u);
    ASSERT_EQ(h.ops.open(&h), 1);
    EXPECT_EQ(h.ops.read(&h, buffer, 1, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "012");
    EXPECT_EQ(h.ops.write(&h, buffer, 1, 1), 0u);
    EXPECT_EQ(h.ops.create(&h), 0);
    EXPECT_EQ(h.ops.remove(&h), 0);
    h.ops.release(&h);
}


class SmallEntryTest : public FilesTest, public ::testing::WithParamInterface<files::PackOptions> {};

// Empty and 1-byte entries load in every archive form; a loaded buffer always
// ends in zero bytes.
TEST_P(SmallEntryTest, EmptyAndOneByteEntries) {
    Pack("pak.cva", {{"empty.txt", ""}, {"one.txt", "x"}}, GetParam());
    Index();
    EXPECT_EQ(Load("pak/empty.txt"), "");
    files::FileHandle h;
    ASSERT_EQ(files::LoadWholeFile(&h, "pak/one.txt"), 1);
    ASSERT_EQ(h.size, 1);
    EXPECT_EQ(h.buffer[0], 'x');
    for (int i = 1; i <= 64; ++i) ASSERT_EQ(h.buffer[i], 0) << i;
    h.ops.release(&h);
}

INSTANTIATE_TEST_SUITE_P(Forms, SmallEntryTest,
                         ::testing::Values(files::PackOptions{true, true},
                                           files::PackOptions{false, true},
                                           files::PackOptions{true, false},
                                           files::PackOptions{false, false}));

struct DeclaredSizeCase {
    int64_t declaredMinusActual;
    bool loads;
};

class DeclaredSizeTest : public FilesTest, public ::testing::WithParamInterface<DeclaredSizeCase> {};

// Inflating never writes more than the declared size: a stream that is longer
// or shorter than its entry claims fails to load.
TEST_P(DeclaredSizeTest, InflatesExactlyTheDeclaredSize) {
    const std::string content = TestBytes(3000, 5);
    std::string stream(compressBound(content.size()), '\0');
    uLongf streamSize = stream.size();
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(stream.data()), &streamSize,
                       reinterpret_cast<const Bytef*>(content.data()), content.size()),
              Z_OK);
    stream.resize(streamSize);
    uint32_t declared = static_cast<uint32_t>(static_cast<int64_t>(content.size()) +
                                              GetParam().declaredMinusActual);
    WriteRaw("z.cva", {{"a.bin", UINT32_MAX, 0, static_cast<uint32_t>(stream.size()), declared}},
             stream, /*compressed=*/1, /*scrambled=*/0);
    Index();
    files::FileHandle h;
    ASSERT_EQ(files::BindFile(&h, "z/a.bin"), 1);
    EXPECT_EQ(h.ops.load(&h), GetParam().loads ? 1 : 0);
    if (GetParam().loads) {
        EXPECT_EQ(std::string(reinterpret_cast<char*>(h.buffer), static_cast<size_t>(h.size)), content);
    } else {
        EXPECT_EQ(h.buffer, nullptr);
    }
    h.ops.release(&h);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DeclaredSizeTest,
                         ::testing::Values(DeclaredSizeCase{0, true}, DeclaredSizeCase{-1, false},
                                           DeclaredSizeCase{-2999, false},
                                           DeclaredSizeCase{-3000, false},
                                           DeclaredSizeCase{1, false},
                                           DeclaredSizeCase{0x7FFF0000, false}));

TEST_F(FilesTest, CorruptCompressedEntryFailsToLoad) {
    std::string garbage = TestBytes(500, 8);
    WriteRaw("z.cva", {{"a.bin", UINT32_MAX, 0, 500, 2000}}, garbage, 1, 1);
    Index();
    EXPECT_EQ(Load("z/a.bin"), "<fail>");
}

}  // namespace
}  // namespace files_test
