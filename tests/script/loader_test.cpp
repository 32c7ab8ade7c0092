// Loading and preprocessing: blocks, nested ranges, parameters, text blocks
// and entries, inline blocks, comments, includes, failures, read marks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "script/file_support.h"
#include "script/loader.h"
#include "script/process.h"
#include "script/read_marks.h"
#include "script/scan.h"
#include "script/services.h"
#include "script_test_util.h"

using namespace script;
using testing_support::Sjis;

namespace {

// Writes fixtures into a temporary folder that serves as the data folder.
class LoaderTest : public ::testing::Test {
    // Built first and destroyed last: each test runs in a fresh engine.
    shell::EngineScope engine_;

protected:
    void SetUp() override {
        SetDataPrefix((dir.path + "/").c_str());
        process = NewScriptProcess();
    }
    void TearDown() override {
        FreeScriptProcess(process);
        SetDataPrefix("");
    }
    std::vector<ScriptBlock*> Blocks() const {
        std::vector<ScriptBlock*> out;
        for (ScriptBlock* b = process->firstBlock; b; b = b->next) out.push_back(b);
        return out;
    }
    static std::string Range(const char* start, const char* end) {
        return std::string(start, static_cast<size_t>(end - start));
    }
    testing_support::TempDir dir;
    ScriptProcess* process = nullptr;
};

const char kMain[] =
    "chapter first {}\n"
    " chapter main {\n"
    "begin:\n"
    "  $a=1;\n"
    "  // scene fake {\n"
    "  /* scene c1 { /* nested */ scene c2 { */\n"
    "  $s=\"scene lit {\";\n"
    "  $t=\"ソ\";\n"
    "  scene inner {\n"
    "    ソボマゼ;\n"
    "  }\n"
    "}\n"
    "scene Two {\n"
    "  <pre box>\n"
    "  [one]\n"
    "こんにちは[ゼゾ]ソ表{$x=1;}\n"
    "{$y=2;}\n"
    "</PRE>\n"
    "}\n"
    "function f($p, /* note */ \"q\" ) {\n"
    "}\n";

TEST_F(LoaderTest, FindsBlocksRangesEntriesAndParameters) {
    dir.Write("main.txt", Sjis(kMain));
    ASSERT_EQ(LoadScriptFile(process, "main.txt"), 0);
    std::vector<ScriptBlock*> blocks = Blocks();
    ASSERT_EQ(blocks.size(), 5u);
    const struct {
        const char* name;
        uint8_t kind;
    } expected[] = {{"main", kBlockChapter},
                    {"inner", kBlockScene},
                    {"Two", kBlockScene},
                    {"", kBlockInline},
                    {"f", kBlockFunction}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(blocks[i]->kind, expected[i].kind) << i;
        if (expected[i].kind != kBlockInline) {
            EXPECT_STREQ(blocks[i]->name, expected[i].name);
        }
    }
    ScriptBlock* main = blocks[0];
    EXPECT_EQ(std::strncmp(main->entryPoint, "\r\n  $a=1;", 9), 0);
    ASSERT_EQ(main->rangeCount, 1);
    EXPECT_EQ(Range(main->ranges[0].start, main->ranges[0].end),
              Sjis("scene inner {\n    ソボマゼ;\n  }"));
    EXPECT_EQ(Range(blocks[1]->bodyStart, blocks[1]->bodyEnd), Sjis("\n    ソボマゼ;\n  "));

    ScriptBlock* two = blocks[2];
    ASSERT_EQ(two->rangeCount, 1);
    EXPECT_TRUE(two->ranges[0].isTextBlock);
    EXPECT_EQ(std::strncmp(two->ranges[0].start, "<pre", 4), 0);
    EXPECT_EQ(std::strncmp(two->ranges[0].end - 6, "</PRE>", 6), 0);
    TextEntry* one = two->textEntries;
    ASSERT_NE(one, nullptr);
    ASSERT_NE(one->next, nullptr);
    EXPECT_STREQ(one->textBlockName, "box");
    EXPECT_STREQ(one->label, "one");
    EXPECT_EQ(Range(one->textStart, one->textEnd), Sjis("こんにちは"));
    TextEntry* second = one->next;
    EXPECT_EQ(std::string(second->label), Sjis("ゼゾ"));
    EXPECT_EQ(second->textBlock, 0);
    // The line breaks after each inline block were blanked (now LF).
    EXPECT_EQ(Range(second->textStart, second->textEnd),
              testing_support::SjisRaw("ソ表{$x=1;}\n\n{$y=2;}\n\n"));

    // The inline block runs over the line break into the following braces.
    EXPECT_EQ(Range(blocks[3]->bodyStart, blocks[3]->bodyEnd), "$x=1;}\n\n{$y=2;");

    ScriptBlock* f = blocks[4];
    ASSERT_EQ(f->parameterCount, 2);
    EXPECT_STREQ(f->parameters[0].name, "$p");
    EXPECT_EQ(f->parameters[0].kind, kParameterPlain);
    EXPECT_STREQ(f->parameters[1].name, "q");
    EXPECT_EQ(f->parameters[1].kind, kParameterQuoted);

    // No blank byte is left in the text.
    const char* text = reinterpret_cast<const char*>(process->scripts[0].file.buffer);
    EXPECT_EQ(std::memchr(text, 0x10, static_cast<size_t>(process->scripts[0].file.size)), nullptr);
}

// A keyword at the very first byte opens no block, and the author is told
// why; after a line break it does.
TEST_F(LoaderTest, AKeywordOpeningTheFileIsNoBlockAndIsReported) {
    struct Case {
        const char* text;
        size_t blocks;
        bool told;
    };
    const Case cases[] = {
        {"chapter main {\n}\n", 0, true},
        {"\nchapter main {\n}\n", 1, false},
        {"// start\nchapter main {\n}\n", 1, false},
        {"chapters {\n}\n", 0, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "start" + std::to_string(n++) + ".txt";
        dir.Write(name, Sjis(c.text));
        FreeScriptProcess(process);
        process = NewScriptProcess();
        testing::internal::CaptureStderr();
        LoadScriptFile(process, name.c_str());
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Blocks().size(), c.blocks) << c.text;
        EXPECT_EQ(said.find("very start of the file") != std::string::npos, c.told) << c.text << said;
    }
}

// A script not saved as Shift-JIS is named for what it is, with the line of
// its first offending byte; a byte-order mark does not hide the hint about a
// keyword at the very start.
TEST_F(LoaderTest, ScriptsInOtherEncodingsAreNamed) {
    struct Case {
        std::string bytes;
        const char* said;  // expected in the message ("" for none)
    };
    const Case cases[] = {
        {"\r\nchapter main {\r\n\t$a = \"\xE5\xA4\x9C\xE3\x81\xAE\";\r\n}\r\n",
         "line 3: the file is saved as UTF-8, not Shift-JIS"},
        {"\xEF\xBB\xBF\r\nchapter main {\r\n}\r\n", "line 1: the file starts with a UTF-8 byte-order mark"},
        {"\xEF\xBB\xBF" "chapter main {\r\n}\r\n", "very start of the file"},
        {"\r\n\r\nchapter main {\r\n\t$a = \"\x81\";\r\n}\r\n", "line 4: the file is not Shift-JIS (CP932): its first invalid byte 0x81"},
        // Real Shift-JIS, trail byte 0x5C included: nothing to say.
        {Sjis("\nchapter main {\n\t$a = \"表示\";\n}\n"), ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "enc" + std::to_string(n++) + ".txt";
        dir.Write(name, c.bytes);
        FreeScriptProcess(process);
        process = NewScriptProcess();
        testing::internal::CaptureStderr();
        LoadScriptFile(process, name.c_str());
        std::string said = testing::internal::GetCapturedStderr();
        if (*c.said) EXPECT_NE(said.find(c.said), std::string::npos) << name << ": " << said;
        else EXPECT_EQ(said, "") << name;
    }
}

TEST_F(LoaderTest, IncludesLoadEachFileOnce) {
    dir.Write("main.txt",
              Sjis("#include \"sub/inc.txt\"\n#include \"sub\\inc.txt\"\n scene M {}\n"));
    dir.Write("sub/inc.txt",
              Sjis("#include \"main.txt\"\n// #include \"gone.txt\"\n#include \"missing.txt\"\n"
                   " chapter ch {\n scene S {}\n function g() {}\n}\n"));
    ASSERT_EQ(LoadScriptFile(process, "main.txt"), 0);
    EXPECT_NE(process->scripts[1].file.buffer, nullptr);
    EXPECT_EQ(process->scripts[1].included, 1);
    EXPECT_EQ(process->scripts[0].included, 0);
    EXPECT_EQ(process->scripts[2].file.buffer, nullptr);
    std::vector<std::string> names;
    for (ScriptBlock* b : Blocks()) names.push_back(b->name);
    EXPECT_EQ(names, (std::vector<std::string>{"M", "S", "g"}));
    EXPECT_EQ(LoadScriptFile(process, "sub/inc.txt"), 1);
}

TEST_F(LoaderTest, FailuresLeaveNothingBehind) {
    const struct {
        const char* title;
        std::string content;
    } cases[] = {
        {"unbalanced block", Sjis(" scene a {\n $x=1;\n")},
        {"text block without its end", Sjis(" scene a {\n<PRE b>[x]text\n}\n")},
        {"inline block without its end", Sjis(" scene a {\n<PRE b>[x]{text\n</PRE>}\n")},
        {"empty file", ""},
    };
    for (const auto& c : cases) {
        dir.Write("bad.txt", c.content);
        EXPECT_EQ(LoadScriptFile(process, "bad.txt"), -1) << c.title;
        EXPECT_EQ(process->firstBlock, nullptr) << c.title;
        EXPECT_EQ(process->scripts[0].file.buffer, nullptr) << c.title;
    }
    EXPECT_EQ(LoadScriptFile(process, "nothing-here.txt"), -1);
}

TEST_F(LoaderTest, CommentRules) {
    const struct {
        const char* text;
        const char* rest;  // after SkipComment; null: not a comment
    } cases[] = {
        {"// x\r\n$a", "$a"},
        {"/* x /* y */ z */\r\n$a", "$a"},
        {"/* x /* y */ z */$a", "$a"},
        {"\r\n.full stop\r\n.again\r\n$a", "$a"},
        {"\n$a", "$a"},
        {"// ソ\r\n.x\n$a", "$a"},
        {"a.b", nullptr},
        {"/x", nullptr},
    };
    for (const auto& c : cases) {
        std::string text = testing_support::SjisRaw(c.text);
        const char* p = text.c_str();
        int skipped = SkipComment(&p);
        if (!c.rest) {
            EXPECT_EQ(skipped, 0) << c.text;
        } else {
            EXPECT_EQ(skipped, 1) << c.text;
            EXPECT_STREQ(p, c.rest) << c.text;
        }
    }
}

TEST_F(LoaderTest, ReadMarksOnRegistrationAndReload) {
    std::string content = Sjis(" scene a {\n$x=1; // c\n}\n");
    dir.Write("marks.txt", content);
    ASSERT_EQ(LoadScriptFile(process, "marks.txt"), 0);
    const ScriptFile* file = &process->scripts[0];
    const char* text = reinterpret_cast<const char*>(file->file.buffer);
    const char* firstBreak = std::strchr(text, '\r');
    const char* commentBreak = std::strstr(text, "// c") + 4;
    EXPECT_EQ(IsRead(file, text + 1), 1);
    EXPECT_EQ(IsRead(file, firstBreak), 0);
    EXPECT_EQ(IsRead(file, commentBreak), 1);
    EXPECT_EQ(MarkRead(file, firstBreak), 1);
    EXPECT_EQ(MarkRead(file, firstBreak), 0);

    // The same name and length keeps the marks; another length starts afresh.
    ScriptProcess* other = NewScriptProcess();
    ASSERT_EQ(LoadScriptFile(other, "marks.txt"), 0);
    EXPECT_EQ(
        IsRead(&other->scripts[0],
               firstBreak - text + reinterpret_cast<const char*>(other->scripts[0].file.buffer)),
        1);
    FreeScriptProcess(other);
    dir.Write("marks.txt", content + " ");
    other = NewScriptProcess();
    ASSERT_EQ(LoadScriptFile(other, "marks.txt"), 0);
    EXPECT_EQ(
        IsRead(&other->scripts[0],
               firstBreak - text + reinterpret_cast<const char*>(other->scripts[0].file.buffer)),
        0);
    FreeScriptProcess(other);
}

TEST_F(LoaderTest, ProcessesFindTheirEntryBlock) {
    dir.Write("main.txt", Sjis(kMain));
    static int appended, removed;
    appended = removed = 0;
    GetServices().appendProcess = [](ScriptProcess*) { ++appended; };
    GetServices().removeProcess = [](ScriptProcess*) { ++removed; };
    ScriptProcess* p = LoadScriptProcess("main.txt", "inner", nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->currentBlock->name, "inner");
    EXPECT_NE(p->ownerKey, -1);
    FreeScriptProcess(p);
    EXPECT_EQ(LoadScriptProcess("main.txt", "f", nullptr), nullptr);  // a function
    EXPECT_EQ(LoadScriptProcess("none.txt", "main", nullptr), nullptr);
    EXPECT_EQ(appended, 3);
    EXPECT_EQ(removed, 2);
}

TEST_F(LoaderTest, ConquestReadsAndSetsBlockMarks) {
    dir.Write("story.txt", Sjis(" scene A {\n$x=1;\n}\n scene B {\n$y=1;\n}\n"));
    auto eval = [](const char* s) { return EvaluateStatement(nullptr, nullptr, s); };
    EXPECT_EQ(eval("($r=Conquest(\"story.txt\",\"A\"))"), 0);
    eval("Conquest(\"story.txt\",\"A\",TRUE)");
    EXPECT_EQ(eval("(Conquest(\"story.txt\",\"A\"))"), 1);
    EXPECT_EQ(eval("(Conquest(\"story.txt\",\"B\"))"), 0);
    EXPECT_EQ(eval("(Conquest(\"story.txt\",NULL))"), 0);
    eval("Conquest(\"story.txt\",NULL,TRUE)");
    EXPECT_EQ(eval("(Conquest(\"story.txt\",\"B\"))"), 1);
    eval("Conquest(\"story.txt\",\"A\",FALSE)");
    EXPECT_EQ(eval("(Conquest(\"story.txt\",\"A\"))"), 0);
}

}  // namespace
