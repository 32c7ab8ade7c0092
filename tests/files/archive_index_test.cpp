// The archive index: which archive and entry serve a virtual path, what counts
// as an archive, and damaged archives.
#include <random>
#include <set>

#include "files_fixture.h"

namespace files_test {
namespace {

using testing_support::SjisRaw;

const char kDisk[] = "<disk>";

struct LookupCase {
    const char* name;
    const char* expected;  // content served, or kDisk when no archive serves it
};

class SelectorTest : public FilesTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(SelectorTest, ServesFromTheRightArchive) {
    // Discovery order: bg.cva, bg2.cva, data.cva, zz.cva.
    Pack("data.cva", {{"a.png", "data-a"}, {"sub\\c.txt", "data-c"}});
    Pack("bg2.cva", {{"a.png", "bg2-a"}});
    Pack("zz.cva", {{"b.png", "zz-b"}});
    Pack("bg.cva", {{"a.png", "bg-a"}}, {.compress = false, .scramble = true});
    Index();
    const LookupCase& c = GetParam();
    char name[files::kNameSize];
    std::snprintf(name, sizeof(name), "%s", c.name);
    files::ArchiveMatch match = files::FindArchiveEntry(name);
    if (std::string(c.expected) == kDisk) {
        EXPECT_EQ(match.entry, nullptr);
        return;
    }
    ASSERT_NE(match.entry, nullptr);
    EXPECT_EQ(Load(c.name), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, SelectorTest,
    ::testing::Values(LookupCase{"bg/a.png", "bg-a"}, LookupCase{"bg2/a.png", "bg2-a"},
                      LookupCase{"BG2\\A.PNG", "bg2-a"}, LookupCase{"data/a.png", "data-a"},
                      // 'b' selects bg.cva and bg2.cva: discovery order decides.
                      LookupCase{"b/a.png", "bg-a"},
                      // A selector without the entry falls back to the whole chain.
                      LookupCase{"zz/a.png", "bg-a"}, LookupCase{"none/a.png", "bg-a"},
                      LookupCase{"./data/a.png", "data-a"}, LookupCase{".\\data\\a.png", "data-a"},
                      LookupCase{"../data/sub/c.txt", "data-c"}, LookupCase{"x/sub/C.TXT", "data-c"},
                      // No separator after the selector: never an archive name.
                      LookupCase{"a.png", kDisk}, LookupCase{"./a.png", kDisk},
                      LookupCase{"bg/missing.png", kDisk}, LookupCase{"bg/a.pn", kDisk}));

TEST_F(FilesTest, ArchiveNameIsNeverLookedUpOnDisk) {
    Pack("data.cva", {{"a.txt", "archived"}});
    Write("data/a.txt", "loose");
    Write("data/b.txt", "loose b");
    Index();
    EXPECT_EQ(Load("data/a.txt"), "archived");
    EXPECT_EQ(Load("data/b.txt"), "loose b");
    // The disk sees the name as it was given, not the archive spelling.
    Write("Loose/File.TXT", "mixed case");
    EXPECT_EQ(Load("Loose/File.TXT"), "mixed case");
}

TEST_F(FilesTest, OnlyVersionOneArchivesAreIndexed) {
    Pack("good.cva", {{"x.txt", "x"}});
    std::string notVersionOne = ReadRaw("good.cva");
    notVersionOne[3] = 2;
    Write("v2.cva", notVersionOne);
    Write("short.cva", notVersionOne.substr(0, 40));
    Write("text.cva", "CVA but not an archive");
    Pack("empty.cva", {});
    std::filesystem::create_directory(Dir() + "/folder.cva");
    Index();
    std::vector<std::string> names;
    for (const auto& archive : files::ArchiveChain()) names.push_back(archive->fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"empty.cva", "good.cva"}));
    EXPECT_TRUE(files::ArchiveChain()[0]->entries.empty());
    EXPECT_EQ(Load("empty/x.txt"), "x");  // served by good.cva through the fallback
}

TEST_F(FilesTest, ShiftJisNamesKeepTheirSecondBytes) {
    // 表 ends in 0x5C and ア in 0x41: neither is a separator or a capital.
    std::string hyou = SjisRaw("表");
    std::string a = SjisRaw("ア");
    ASSERT_EQ(hyou[1], '\\');
    ASSERT_EQ(a[1], 'A');
    Pack(hyou + ".cva", {{a + "\\b.txt", "kana"}, {hyou + "\\" + a + ".txt", "kanji"}});
    Pack("other.cva", {{a + "\\b.txt", "other"}});
    Index();
    EXPECT_EQ(Load(hyou + "/" + a + "/B.TXT"), "kana");
    EXPECT_EQ(Load("other/" + a + "/b.txt"), "other");
    EXPECT_EQ(Load("x/" + hyou + "/" + a + ".TXT"), "kanji");
}

struct DamageCase {
    const char* label;
    std::vector<RawEntry> records;
    size_t cutTableAt;
    uint32_t extraCount;
    std::vector<std::string> usable;  // names still served, content "<name>-data"
    int expectedEntries;
};

class DamagedArchiveTest : public FilesTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedArchiveTest, SkipsBrokenEntriesAndReportsOnce) {
    const DamageCase& c = GetParam();
    std::string data = "a.txt-datab.txt-data";
    size_t cut = c.cutTableAt;
    WriteRaw("bad.cva", c.records, data, 0, 0, 0x1234567u, 0x89ABCDEu, cut, c.extraCount);
    Pack("fine.cva", {{"z.txt", "z"}});
    ::testing::internal::CaptureStderr();
    Index();
    std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(files::ArchiveChain().size(), 2u);
    EXPECT_EQ(static_cast<int>(files::ArchiveChain()[0]->entries.size()), c.expectedEntries);
    size_t first = err.find("bad.cva");
    EXPECT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find("bad.cva", first + 1), std::string::npos) << err;
    EXPECT_EQ(err.find("fine.cva"), std::string::npos);
    for (const std::string& name : c.usable) EXPECT_EQ(Load("bad/" + name), name + "-data");
    EXPECT_EQ(Load("fine/z.txt"), "z");
}

RawEntry Good(const char* name, uint32_t offset) { return {name, UINT32_MAX, offset, 10, 10}; }

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedArchiveTest,
    ::testing::Values(
        DamageCase{"name260", {Good("a.txt", 0), {std::string(260, 'n'), UINT32_MAX, 0, 10, 10},
                               Good("b.txt", 10)}, SIZE_MAX, 0, {"a.txt", "b.txt"}, 2},
        DamageCase{"dataPastEnd", {Good("a.txt", 0), {"c.txt", UINT32_MAX, 15, 10, 10},
                                   Good("b.txt", 10)}, SIZE_MAX, 0, {"a.txt", "b.txt"}, 2},
        DamageCase{"offsetWraps", {{"c.txt", UINT32_MAX, 0xFFFFFFF0u, 0x20, 0x20}, Good("a.txt", 0)},
                   SIZE_MAX, 0, {"a.txt"}, 1},
        // The count promises a third record: it would be read from the data area.
        DamageCase{"countTooLarge", {Good("a.txt", 0), Good("b.txt", 10)}, SIZE_MAX, 1,
                   {"a.txt", "b.txt"}, 2},
        DamageCase{"countHuge", {Good("a.txt", 0), Good("b.txt", 10)}, SIZE_MAX, 0xFFFFFF00u,
                   {"a.txt", "b.txt"}, 2},
        // The file ends inside the table (26 bytes is one whole record): the
        // complete record's data would lie past the end, so nothing is served.
        DamageCase{"fileCutInName", {Good("a.txt", 0), Good("b.txt", 10)}, 26 + 6, 0, {}, 0},
        DamageCase{"fileCutInFields", {Good("a.txt", 0), Good("b.txt", 10)}, 26 + 12, 0, {}, 0},
        DamageCase{"nameLengthHuge", {Good("a.txt", 0), {"b.txt", 0xFFFFFFF0u, 10, 10, 10}},
                   SIZE_MAX, 0, {"a.txt"}, 1}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.label); });

// The index keeps the answers of a plain scan over every entry, including
// names that several archives hold and selectors that match several archives.
TEST_F(FilesTest, IndexAnswersLikeTheLinearScan) {
    std::mt19937 rng(7);
    const char* dirs[] = {"bg", "ev", "se", "bgm", "sys"};
    auto randomName = [&] {
        std::string name = dirs[rng() % 5];
        name += "\\f" + std::to_string(rng() % 40) + (rng() % 2 ? ".png" : ".ogg");
        return name;
    };
    const char* archives[] = {"bg.cva", "bgm.cva", "ev.cva", "data.cva"};
    for (const char* archive : archives) {
        Entries entries;
        std::set<std::string> used;
        for (int i = 0; i < 60; ++i) {
            std::string name = randomName();
            if (used.insert(name).second) entries.push_back({name, std::string(archive) + name});
        }
        Pack(archive, entries, {.compress = false, .scramble = false});
    }
    Index();
    int found = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string selector = i % 7 == 0 ? "zz" : std::string(dirs[rng() % 5]).substr(0, 1 + rng() % 3);
        std::string path = randomName();
        if (rng() % 3 == 0) path = path.substr(0, path.size() - 1 - rng() % 3);  // prefixes too
        std::string name = (i % 5 == 0 ? "./" : "") + selector + "/" + path;
        char a[files::kNameSize], b[files::kNameSize];
        std::snprintf(a, sizeof(a), "%s", name.c_str());
        std::snprintf(b, sizeof(b), "%s", name.c_str());
        files::ArchiveMatch fast = files::FindArchiveEntry(a);
        files::ArchiveMatch slow = files::FindArchiveEntryLinear(b);
        ASSERT_EQ(fast.entry, slow.entry) << name;
        ASSERT_EQ(fast.archive, slow.archive) << name;
        ASSERT_STREQ(a, b);
        found += fast.entry != nullptr;
    }
    EXPECT_GT(found, 1000);
}

}  // namespace
}  // namespace files_test
