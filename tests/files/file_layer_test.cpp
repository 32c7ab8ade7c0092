// Binding and the disk backend, the in-memory file table, small helpers.
#include "files_fixture.h"

namespace files_test {
namespace {

struct MemoryNameCase {
    const char* name;
    bool fromMemory;
};

class MemoryNameTest : public FilesTest, public ::testing::WithParamInterface<MemoryNameCase> {};

// A preloaded file answers to any capitalisation, but only with '/'.
TEST_P(MemoryNameTest, FindsPreloadedFiles) {
    Write("Data/Pic.PNG", "picture");
    ASSERT_EQ(files::PreloadFile("Data/Pic.PNG", false), 1);
    std::remove((Dir() + "/Data/Pic.PNG").c_str());
    files::FileHandle h;
    ASSERT_EQ(files::BindFile(&h, GetParam().name), 1);
    EXPECT_EQ(h.memoryEntry != nullptr, GetParam().fromMemory);
    EXPECT_EQ(h.ops.load(&h), GetParam().fromMemory ? 1 : 0);
    h.ops.release(&h);
}

INSTANTIATE_TEST_SUITE_P(Names, MemoryNameTest,
                         ::testing::Values(MemoryNameCase{"Data/Pic.PNG", true},
                                           MemoryNameCase{"data/pic.png", true},
                                           MemoryNameCase{"DATA/PIC.PNG", true},
                                           MemoryNameCase{"data\\pic.png", false},
                                           MemoryNameCase{"pic.png", false},
                                           MemoryNameCase{"data/pic.pn", false}));

TEST_F(FilesTest, PreloadAndUnloadAcceptEitherSeparator) {
    Write("bg/a.png", "a");
    ASSERT_EQ(files::PreloadFile("bg\\a.png", false), 1);
    // Already held (this spelling is not even on disk): no second entry.
    ASSERT_EQ(files::PreloadFile("BG/A.PNG", false), 1);
    EXPECT_EQ(files::UnloadFile("bg\\A.PNG"), 1);
    EXPECT_EQ(files::UnloadFile("bg/a.png"), 0);
}

TEST_F(FilesTest, FailedPreloadsDoNotUseUpTheTable) {
    for (int i = 0; i < 1100; ++i) ASSERT_EQ(files::PreloadFile("missing.png", false), 0);
    Write("f.txt", "content");
    EXPECT_EQ(files::PreloadFile("f.txt", false), 1);
}

TEST_F(FilesTest, TableHoldsAtMost1024Files) {
    for (int i = 0; i < files::kMemoryTableSlots + 1; ++i) Write("t/" + std::to_string(i), "x");
    for (int i = 0; i < files::kMemoryTableSlots; ++i)
        ASSERT_EQ(files::PreloadFile(("t/" + std::to_string(i)).c_str(), false), 1) << i;
    EXPECT_EQ(files::PreloadFile("t/1024", false), 0);
    EXPECT_EQ(files::UnloadFile("t/17"), 1);
    EXPECT_EQ(files::PreloadFile("t/1024", false), 1);
    EXPECT_EQ(Load("T/1024"), "x");
    EXPECT_EQ(files::UnloadFile(nullptr), 1);
    EXPECT_EQ(files::UnloadFile("t/0"), 0);
}

int g_decoded = 0;
int g_released = 0;
void* DecodeHook(const uint8_t* data, int32_t size, const char*) {
    ++g_decoded;
    return new std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
}
void ReleaseHook(void* image) {
    ++g_released;
    delete static_cast<std::string*>(image);
}

// An entry removed while a handle still reads it stays readable until that
// handle lets go; the decoded picture goes with the last reference.
TEST_F(FilesTest, UnloadWhileReadingKeepsTheEntryAlive) {
    g_decoded = g_released = 0;
    files::SetImageHooks({DecodeHook, ReleaseHook});
    Write("ev/cg.png", "0123456789");
    ASSERT_EQ(files::PreloadFile("ev/cg.png", true), 1);
    EXPECT_EQ(g_decoded, 1);
    auto* image = static_cast<std::string*>(files::FindPreloadedImage("EV/CG.png"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(*image, "0123456789");
    files::FileHandle h;
    ASSERT_EQ(files::BindFile(&h, "ev/cg.png"), 1);
    EXPECT_EQ(files::PreloadedImageOf(&h), image);
    ASSERT_EQ(h.ops.open(&h), 1);
    EXPECT_EQ(files::UnloadFile("ev/cg.png"), 1);
    EXPECT_EQ(files::FindPreloadedImage("ev/cg.png"), nullptr);
    EXPECT_EQ(g_released, 0);
    char buffer[4] = {};
    EXPECT_EQ(h.ops.read(&h, buffer, 1, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    h.ops.close(&h);
    EXPECT_EQ(g_released, 1);
    EXPECT_EQ(h.ops.read(&h, buffer, 1, 4), 0u);  // detached
    h.ops.release(&h);
}

// What one engine's file layer holds is not seen by the next engine; an
// engine that ends with preloaded files frees them (and their pictures).
TEST_F(FilesTest, FreshEngineStartsWithEmptyFileLayer) {
    Write("pic/a.png", "plain");
    Write("saves/only.png", "saved");
    Pack("pak.cva", {{"b.png", "packed"}});
    g_decoded = g_released = 0;
    {
        shell::EngineScope first;
        files::SetImageHooks({DecodeHook, ReleaseHook});
        ASSERT_EQ(files::BuildArchiveIndex(), 1);
        ASSERT_EQ(files::SetDataPrefix("hd/"), 1);
        files::SetSaveFolder((Dir() + "/saves").c_str());
        ASSERT_EQ(files::PreloadFile("pic/a.png", true), 1);
        ASSERT_NE(files::FindPreloadedImage("pic/a.png"), nullptr);
        ASSERT_EQ(Load("pak/b.png"), "packed");
        ASSERT_EQ(Load("only.png"), "saved");
    }
    EXPECT_EQ(g_released, 1) << "the ended engine's preloaded picture is released";
    shell::EngineScope second;
    std::filesystem::remove(Dir() + "/pic/a.png");  // only a table could still serve it
    char prefix[260];
    files::GetDataPrefix(prefix);
    struct Check {
        const char* what;
        bool clean;
    } checks[] = {
        {"archive index not built", !files::ArchiveIndexBuilt() && files::ArchiveChain().empty()},
        {"no data prefix", prefix[0] == 0},
        {"no preloaded picture", files::FindPreloadedImage("pic/a.png") == nullptr},
        {"no preloaded file", Load("pic/a.png") == "<fail>"},
        {"no archive entry", Load("pak/b.png") == "<fail>"},
        {"no save-folder fallback", Load("only.png") == "<fail>"},
    };
    for (const Check& c : checks) EXPECT_TRUE(c.clean) << c.what;
}

TEST_F(FilesTest, DiskLoadEdgeCases) {
    Write("empty.txt", "");
    Write("one.txt", "z");
    EXPECT_EQ(Load("empty.txt"), "<fail>");
    EXPECT_EQ(Load("nothing.txt"), "<fail>");
    files::FileHandle h;
    ASSERT_EQ(files::LoadWholeFile(&h, "one.txt"), 1);
    ASSERT_EQ(h.size, 1);
    for (int i = 1; i <= 64; ++i) ASSERT_EQ(h.buffer[i], 0);
    h.ops.release(&h);
    // Backslashes in game paths reach the right file.
    Write("sys/x.ini", "ini");
    EXPECT_EQ(Load("sys\\x.ini"), "ini");
}

struct FallbackCase {
    const char* prefix;
    const char* name;
    const char* expected;
};

class DiskFallbackTest : public FilesTest, public ::testing::WithParamInterface<FallbackCase> {};

// Disk load tries the name, then the name without the data-folder prefix, then
// the save folder.
TEST_P(DiskFallbackTest, TriesPrefixThenSaveFolder) {
    Write("pic/a.png", "plain");
    Write("hd/pic/b.png", "prefixed");
    Write("saves/pic/c.png", "saved");
    Write("saves/d.png", "saved d");
    ASSERT_EQ(files::SetDataPrefix(GetParam().prefix), 1);
    files::SetSaveFolder((Dir() + "/saves").c_str());
    EXPECT_EQ(Load(GetParam().name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DiskFallbackTest,
    ::testing::Values(FallbackCase{"", "pic/a.png", "plain"}, FallbackCase{"hd/", "hd/pic/b.png", "prefixed"},
                      FallbackCase{"hd/", "hd/pic/a.png", "plain"}, FallbackCase{"hd/", "hd/pic/c.png", "saved"},
                      FallbackCase{"", "pic/c.png", "saved"}, FallbackCase{"", "d.png", "saved d"},
                      FallbackCase{"hd/", "pic/e.png", "<fail>"}));

TEST_F(FilesTest, DataPrefixMustBeShorterThan260Bytes) {
    EXPECT_EQ(files::SetDataPrefix(std::string(259, 'p').c_str()), 1);
    EXPECT_EQ(files::SetDataPrefix(std::string(260, 'q').c_str()), 0);
    char prefix[260];
    files::GetDataPrefix(prefix);
    EXPECT_EQ(std::string(prefix), std::string(259, 'p'));
}

struct PatternCase {
    const char* pattern;
    bool exists;
};

class DiskPatternTest : public FilesTest, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(DiskPatternTest, MatchesWildcards) {
    Write("save/save001.cvf", "1");
    Write("save/save012.cvf", "2");
    Write("save/global.cvf", "g");
    EXPECT_EQ(files::DiskFileExists(GetParam().pattern), GetParam().exists);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, DiskPatternTest,
    ::testing::Values(PatternCase{"save/save001.cvf", true}, PatternCase{"save\\save001.cvf", true},
                      PatternCase{"save/save0*.cvf", true}, PatternCase{"save/save?12.cvf", true},
                      PatternCase{"save/*", true}, PatternCase{"save/save1*.cvf", false},
                      PatternCase{"save/save??.cvf", false}, PatternCase{"save/global.cv", false},
                      PatternCase{"nofolder/*.cvf", false}, PatternCase{"", false}));

TEST_F(FilesTest, NamesMustFitTheNameField) {
    files::FileHandle h;
    EXPECT_EQ(files::BindFile(&h, std::string(259, 'n').c_str()), 1);
    h.ops.release(&h);
    EXPECT_EQ(files::BindFile(&h, std::string(260, 'n').c_str()), 0);
    EXPECT_EQ(files::BindFile(nullptr, "x"), 0);
    EXPECT_EQ(files::BindFile(&h, nullptr), 0);
    // A refused or released handle fails safely instead of calling nothing.
    EXPECT_EQ(h.ops.load(&h), 0);
    EXPECT_EQ(h.ops.release(&h), 1);
    EXPECT_EQ(h.ops.release(&h), 1);
    EXPECT_EQ(h.ops.open(&h), 0);
}

TEST_F(FilesTest, DiskWriteCreateRemove) {
    files::FileHandle h;
    ASSERT_EQ(files::BindFile(&h, "out\\new.bin"), 1);
    std::filesystem::create_directory(Dir() + "/out");
    ASSERT_EQ(h.ops.create(&h), 1);
    EXPECT_EQ(h.ops.write(&h, "abc", 1, 3), 3u);
    h.ops.close(&h);
    EXPECT_EQ(ReadRaw("out/new.bin"), "abc");
    EXPECT_EQ(h.ops.remove(&h), 1);
    EXPECT_FALSE(files::DiskFileExists("out/new.bin"));
    // open fails on a missing file and releases the handle.
    EXPECT_EQ(h.ops.open(&h), 0);
    EXPECT_EQ(h.name[0], '\0');
    h.ops.release(&h);
}

TEST_F(FilesTest, ReadSmallFileCopiesAtMost1024Bytes) {
    Write("big.txt", std::string(1500, 'b'));
    Write("small.txt", "abc");
    char dest[1024];
    ASSERT_EQ(files::ReadSmallFile(dest, "big.txt"), 1);
    EXPECT_EQ(std::string(dest, 1024), std::string(1024, 'b'));
    ASSERT_EQ(files::ReadSmallFile(dest, "small.txt"), 1);
    EXPECT_EQ(std::string(dest, 4), std::string("abc\0", 4));
    EXPECT_EQ(files::ReadSmallFile(dest, "none.txt"), 0);
    EXPECT_EQ(dest[0], '\0');
}

}  // namespace
}  // namespace files_test
