// User folders, starting programs without a shell, the system description.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/system.h"
#include "support/support.h"

namespace {

using testing_support::TempDir;

// Sets environment variables for one test and restores them afterwards.
class ScopedEnv {
public:
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? old : "", old != nullptr});
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->had)
                setenv(it->name.c_str(), it->value.c_str(), 1);
            else
                unsetenv(it->name.c_str());
        }
    }

private:
    struct Saved {
        std::string name, value;
        bool had;
    };
    std::vector<Saved> saved_;
};

TEST(UserFolders, DocumentsFolderFromUserDirs) {
    const struct {
        const char* what;
        const char* userDirs;  // null: no file
        bool makeDocuments;    // create ~/Documents
        std::string expected;  // "~" stands for the home folder
    } cases[] = {
        {"$HOME-relative entry", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", false, "~/Docs"},
        {"absolute entry, comments and other keys",
         "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
         "XDG_DOCUMENTS_DIR=\"/srv/papers/\"\n",
         false, "/srv/papers"},
        {"escaped quote and spaces", "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n", false,
         "~/My \"Docs\""},
        {"relative entry is ignored", "XDG_DOCUMENTS_DIR=\"Docs\"\n", true, "~/Documents"},
        {"unquoted entry is ignored", "XDG_DOCUMENTS_DIR=$HOME/Docs\n", false, "~"},
        {"no file, ~/Documents exists", nullptr, true, "~/Documents"},
        {"no file, no ~/Documents", nullptr, false, "~"},
    };
    for (const auto& c : cases) {
        TempDir home;
        ScopedEnv env;
        env.Set("HOME", home.path.c_str());
        env.Set("XDG_CONFIG_HOME", nullptr);
        env.Set("XDG_DOCUMENTS_DIR", nullptr);
        if (c.userDirs) home.Write(".config/user-dirs.dirs", c.userDirs);
        if (c.makeDocuments) std::filesystem::create_directory(home.path + "/Documents");
        std::string expected = c.expected;
        if (expected[0] == '~') expected = home.path + expected.substr(1);
        EXPECT_EQ(platform::DocumentsFolder(), expected) << c.what;
    }
}

TEST(UserFolders, EnvironmentWinsAndRelativeValuesAreIgnored) {
    TempDir home;
    ScopedEnv env;
    env.Set("HOME", home.path.c_str());
    env.Set("XDG_DOCUMENTS_DIR", "/data/documents");
    env.Set("XDG_DATA_HOME", "relative/share");
    EXPECT_EQ(platform::DocumentsFolder(), "/data/documents");
    EXPECT_EQ(platform::DataHome(), home.path + "/.local/share");
    env.Set("XDG_DATA_HOME", "/data/share");
    EXPECT_EQ(platform::DataHome(), "/data/share");
    env.Set("XDG_CONFIG_HOME", (home.path + "/cfg").c_str());
    env.Set("XDG_DOCUMENTS_DIR", nullptr);
    home.Write("cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/FromConfigHome\"\n");
    EXPECT_EQ(platform::DocumentsFolder(), home.path + "/FromConfigHome");
}

TEST(UserFolders, MakeFolders) {
    TempDir dir;
    EXPECT_TRUE(platform::MakeFolders(dir.path + "/a/b/c"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path + "/a/b/c"));
    EXPECT_TRUE(platform::MakeFolders(dir.path + "/a/b/c/")) << "existing folder, trailing slash";
    dir.Write("file", "x");
    EXPECT_FALSE(platform::MakeFolders(dir.path + "/file/sub")) << "a file is in the way";
    EXPECT_FALSE(platform::MakeFolders(dir.path + "/file"));
    EXPECT_FALSE(platform::MakeFolders(""));
}

TEST(Programs, ArgumentReachesTheProgramUnchangedWithoutAShell) {
    TempDir dir;
    // Spaces, quotes, a semicolon and a command substitution: a shell would
    // split or run them; the program must see one plain argument.
    std::string name = dir.path + "/a b; echo >x $(id) 'q' *";
    ASSERT_TRUE(platform::SpawnProgram("touch", name));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(name) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(std::filesystem::exists(name));
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/a"));
    EXPECT_FALSE(platform::SpawnProgram("velmoor-no-such-program", "x"));
    EXPECT_FALSE(platform::OpenWithDesktop(""));
}

TEST(SystemDescription, PlainTextsWithoutQuestionMarks) {
    platform::SystemDescription d = platform::DescribeSystem();
    EXPECT_FALSE(d.os.empty());
    EXPECT_FALSE(d.cpu.empty());
    for (const std::string* text : {&d.os, &d.cpu, &d.video}) {
        EXPECT_EQ(text->find('?'), std::string::npos) << *text;
        EXPECT_LT(text->size(), 128u) << *text;
        for (unsigned char c : *text) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << *text;
    }
    ASSERT_GT(d.memory.size(), 6u);
    EXPECT_EQ(d.memory.substr(d.memory.size() - 6), "MB RAM");
    EXPECT_GT(std::atoll(d.memory.c_str()), 0);
}

TEST(SystemDescription, ProcessorCheckPassesHere) {
    // Every x86-64 processor has MMX and SSE; other architectures pass.
    EXPECT_TRUE(platform::CpuHasRequiredFeatures());
}

}  // namespace
