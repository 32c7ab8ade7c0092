// Loose files found the way a Windows game expects on a Linux disk: by the
// Shift-JIS name, its UTF-8 spelling, or ignoring letter case; and where a
// game may write.
#include <cstdio>
#include <filesystem>

#include "files/loose_names.h"
#include "files_fixture.h"

namespace files_test {
namespace {

using testing_support::SjisRaw;

struct LooseCase {
    const char* what;
    std::string onDisk;  // file written under this (byte) name
    std::string asked;   // the game's name (Shift-JIS bytes)
    bool found;
};

TEST_F(FilesTest, LooseNamesFoundByUtf8SpellingAndAnyCase) {
    const LooseCase cases[] = {
        {"as written", "bg/red.png", "bg/red.png", true},
        {"UTF-8 name on disk, Shift-JIS in the script", "背景/夜.png", SjisRaw("背景/夜.png"), true},
        // 表 is 0x95 0x5C: its trail byte is no separator, in either spelling.
        {"trail byte 0x5C, backslash separators", "表/絵.png", SjisRaw("表\\絵.png"), true},
        {"raw Shift-JIS name on disk", SjisRaw("音/声.ogg"), SjisRaw("音/声.ogg"), true},
        {"other letter case in every folder", "data/bg/red.png", "Data/BG/Red.PNG", true},
        {"UTF-8 and other case together", "image/背景.PNG", SjisRaw("IMAGE/背景.png"), true},
        {"a different name", "bg/red.png", "bg/blue.png", false},
        {"full-width letters keep their case", "ａ.txt", SjisRaw("Ａ.txt"), false},
    };
    for (const LooseCase& c : cases) {
        std::filesystem::remove_all(Dir() + "/t");
        Write("t/" + c.onDisk, "content");
        std::string name = "t/" + c.asked;
        EXPECT_EQ(Load(name), c.found ? "content" : "<fail>") << c.what;
        EXPECT_EQ(files::DiskFileExists(name.c_str()), c.found) << c.what;
    }
}

TEST_F(FilesTest, CaseInsensitiveListingSeesFilesAddedLater) {
    Write("late/a.txt", "a");
    EXPECT_EQ(Load("LATE/A.TXT"), "a");
    EXPECT_EQ(Load("LATE/B.TXT"), "<fail>");
    Write("late/b.txt", "b");  // the cached listing of late/ is stale now
    EXPECT_EQ(Load("LATE/B.TXT"), "b");
}

// A game writes new files under UTF-8 names, and over the existing file its
// name means in whatever spelling that one has.
TEST_F(FilesTest, CreatedFilesGetUtf8NamesOrReuseTheExistingSpelling) {
    Write("Save/Old.TXT", "old");
    const struct {
        std::string name;
        const char* expectedPath;
    } cases[] = {
        {SjisRaw("結果.txt"), "結果.txt"},
        {"save/old.txt", "Save/Old.TXT"},
        {SjisRaw("save/新しい.txt"), "Save/新しい.txt"},
    };
    for (const auto& c : cases) {
        files::FileHandle h;
        ASSERT_EQ(files::BindFile(&h, c.name.c_str()), 1);
        ASSERT_EQ(h.ops.create(&h), 1) << c.expectedPath;
        EXPECT_EQ(h.ops.write(&h, "new", 1, 3), 3u);
        h.ops.release(&h);
        EXPECT_EQ(ReadRaw(c.expectedPath), "new") << c.expectedPath;
    }
}

TEST_F(FilesTest, GamesWriteOnlyInsideTheGameAndSaveFolders) {
    testing_support::TempDir save, outside;
    files::SetSaveFolder(save.path.c_str());
    std::filesystem::create_directory(Dir() + "/sub");
    std::filesystem::create_symlink(outside.path, Dir() + "/link");
    const struct {
        std::string name;
        bool allowed;
    } cases[] = {
        {"result.txt", true},
        {"sub/../result.txt", true},
        {"sub\\deep\\x.txt", true},
        {save.path + "/slot.cvf", true},
        {save.path + "/../escape.txt", false},
        {"../escape.txt", false},
        {"sub/../../escape.txt", false},
        {"..\\escape.txt", false},
        {"/etc/velmoor-test", false},
        {outside.path + "/x.txt", false},
        {"link/x.txt", false},  // a link inside the game folder leading out
    };
    for (const auto& c : cases) EXPECT_EQ(files::MayWriteLooseFile(c.name.c_str()), c.allowed) << c.name;
}

}  // namespace
}  // namespace files_test
