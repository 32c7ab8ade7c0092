// Statements run by the walker: order, while, select with break, if/else
// chains, return, calls between blocks with their default names, function
// parameters, Escape, and scripts that are cut off.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "interp_harness.h"

using interp_test::Game;
using interp_test::Number;
using interp_test::Text;

namespace {

struct File {
    const char* name;
    std::string text;  // UTF-8, stored as Shift-JIS with CR LF
};

struct Case {
    const char* title;
    std::vector<File> files;  // the first is the start script
    const char* log;          // expected text of $log
};

// Every fixture starts with a line break: a block keyword at the very first
// byte of a file is not a block.
std::string Main(const std::string& body, const std::string& more = "") {
    return "\nchapter main {\n$log = \"[\";\n" + body + "\n}\n" + more;
}

class InterpStatements : public ::testing::TestWithParam<Case> {};

TEST_P(InterpStatements, LogsInOrder) {
    const Case& c = GetParam();
    Game game;
    for (const File& f : c.files) game.Script(f.name, f.text);
    ASSERT_TRUE(game.Start(c.files[0].name)) << c.title;
    ASSERT_TRUE(game.WaitEnd()) << c.title;
    EXPECT_EQ(Text("$log"), c.log) << c.title;
}

const Case kCases[] = {
    {"statements run in order",
     {{"start.txt", Main("$log = $log + \"a\";\n$log = $log + \"b\"; $log = $log + \"c\";")}},
     "[abc"},
    {"while runs while true",
     {{"start.txt", Main("$i = 0;\nwhile ($i < 3) {\n  $log = $log + \"x\";\n  $i++;\n}\n$log = $log + \"e\";")}},
     "[xxxe"},
    {"a while false on entry skips its body",
     {{"start.txt", Main("$i = 5;\nwhile ($i < 3) { $log = $log + \"x\"; }\n$log = $log + \"e\";")}},
     "[e"},
    {"a true condition is evaluated twice on entry",
     {{"start.txt", Main("$c = 0;\nwhile ($c++ < 1) { $log = $log + \"b\"; }\n$log = $log + $c;")}},
     "[b3"},
    {"break leaves the innermost while",
     {{"start.txt",
       Main("$i = 0;\nwhile ($i < 2) {\n  $i++;\n  $j = 0;\n  while ($j < 5) {\n    $j++;\n"
            "    if ($j == 2) { break; }\n    $log = $log + \"j\";\n  }\n  $log = $log + \"i\";\n}")}},
     "[jiji"},
    {"break in a select inside a while leaves the select",
     {{"start.txt",
       Main("$i = 0;\nwhile ($i < 3) {\n  $i++;\n  select {\n    break;\n    $log = $log + \"X\";\n"
            "  }\n  $log = $log + \"s\";\n}")}},
     "[sss"},
    {"no case matches before the hit test exists",
     {{"start.txt",
       Main("$i = 0;\nwhile ($i < 2) {\n  $i++;\n  select {\n    case \"yes\": { $log = $log + \"Y\"; }\n"
            "    case \"no\" { $log = $log + \"N\"; }\n    break;\n  }\n  $log = $log + \"s\";\n}")}},
     "[ss"},
    {"if, else if and else choose one branch",
     {{"start.txt",
       Main("$a = 2;\nif ($a == 1) { $log = $log + \"1\"; } else if ($a == 2) { $log = $log + \"2\"; }"
            " else { $log = $log + \"3\"; }\n$log = $log + \"e\";\n"
            "if ($a == 5) {\n $log = $log + \"5\";\n}\nelse\n{\n $log = $log + \"o\";\n}\n"
            "if ($a == 2) { $log = $log + \"t\"; }\nelse if ($a == 2) { $log = $log + \"X\"; }\n"
            "else { $log = $log + \"Y\"; }\n$log = $log + \"!\";")}},
     "[2eot!"},
    {"an if without parentheses is skipped",
     {{"start.txt", Main("if $a { $log = $log + \"b\"; }\n$log = $log + \"e\";")}},
     "[be"},
    {"return ends a chapter",
     {{"start.txt", Main("$log = $log + \"a\";\nreturn;\n$log = $log + \"b\";")}},
     "[a"},
    {"return inside a function returns to the caller",
     {{"start.txt",
       Main("f();\n$log = $log + \"m\";",
            "function f() {\n$log = $log + \"f\";\nif (1) { return; }\n$log = $log + \"X\";\n}\n")}},
     "[fm"},
    {"function parameters: $, # and plain",
     {{"start.txt",
       Main("$n = 3.7;\nput(2, TRUE, \"12\", $n, Bob);\n"
            "$log = $log + $a + \"-\" + #b + \"-\" + $c + \"-\" + $d;",
            "function put($a, #b, $c, $d, who) {\n$log = $log + \"{\";\n"
            "WriteFile(who, \"hi\", FALSE);\n}\n")}},
     "[{2-1-12-3"},
    {"a function that is running is not called again",
     {{"start.txt", Main("f();\n$log = $log + \"e\";",
                         "function f() {\n$log = $log + \"f\";\nf();\n$log = $log + \"g\";\n}\n")}},
     "[fge"},
    {"call_scene with and without a scene name",
     {{"start.txt",
       Main("call_scene \"scenes.txt\";\ncall_scene \"scenes.txt->Two\";\ncall_scene @->Here;\n"
            "$log = $log + \"e\";",
            "scene Here {\n$log = $log + \"h\";\n}\n")},
      {"scenes.txt",
       "\nscene Main {\n$log = $log + \"M\";\n}\nscene Two {\n$log = $log + \"2\";\n}\n"}},
     "[M2he"},
    {"call_chapter runs chapter main of another file and comes back",
     {{"start.txt",
       Main("call_chapter \"other.txt\";\n$log = $log + \"b\";\ncall_chapter \"other.txt->second\";\n"
            "call_chapter \"@->third\";\n$log = $log + \"e\";",
            "chapter third {\n$log = $log + \"3\";\n}\n")},
      {"other.txt",
       "\nchapter main {\n$log = $log + \"o\";\n}\nchapter second {\n$log = $log + \"2\";\n}\n"}},
     "[ob23e"},
    {"a call target named by a variable",
     {{"start.txt",
       Main("$where = \"scenes.txt->Two\";\ncall_scene $where;\n$log = $log + \"e\";")},
      {"scenes.txt", "\nscene Two {\n$log = $log + \"2\";\n}\n"}},
     "[2e"},
    {"call_cut and call run cuts of the same file",
     {{"start.txt", Main("call_cut \"piece\";\ncall piece;\n$log = $log + \"e\";",
                         "cut piece {\n$log = $log + \"p\";\n}\n")}},
     "[ppe"},
    {"a missing call target is skipped",
     {{"start.txt", Main("call_scene \"nowhere.txt\";\ncall_cut nothing;\nnofunction(1);\n"
                         "$log = $log + \"e\";")}},
     "[e"},
    {"shift_scene replaces the scene and returns to its caller",
     {{"start.txt",
       Main("call_scene @->A;\n$log = $log + \"m\";",
            "scene A {\n$log = $log + \"a\";\nshift_scene @->B;\n$log = $log + \"X\";\n}\n"
            "scene B {\n$log = $log + \"b\";\nshift_cut c;\n$log = $log + \"Y\";\n}\n"
            "cut c {\n$log = $log + \"c\";\n}\n")}},
     "[abcm"},
    {"Escape ends the block and its callers",
     {{"start.txt",
       Main("call_scene @->S;\n$log = $log + \"m\";",
            "scene S {\n$log = $log + \"s\";\nf();\n$log = $log + \"X\";\n}\n"
            "function f() {\n$log = $log + \"f\";\nEscape(2);\n$log = $log + \"Y\";\n}\n")}},
     "[sfm"},
    {"comments, full-stop lines and nested blocks are stepped over",
     {{"start.txt",
       Main("// $log = $log + \"1\";\n/* $log = $log + \"2\"; /* nested */ $log = $log + \"3\"; */\n"
            ".$log = $log + \"4\";\n$log = $log + \"a\";\nfunction inner() { $log = $log + \"5\"; }\n"
            "$log = $log + \"b\";")}},
     "[ab"},
    {"wait and debugmessage are ignored",
     {{"start.txt", Main("wait 100;\ndebugmessage \"hello\";\n$log = $log + \"a\";")}},
     "[a"},
    {"a statement cut off at the body end",
     {{"start.txt", "\nchapter main {\n$log = \"[\";\n$log = $log + \"a\"}\n"}},
     "[a"},
    {"a while without a closing brace inside a cut-off body",
     {{"start.txt", "\nchapter main {\n$log = \"[\";\nwhile (1) \"{\" $log = $log + \"a\";\n}\n"}},
     "["},
    {"an if at the body end",
     {{"start.txt", "\nchapter main {\n$log = \"[z\";\nif ($log == 1)}\n"}},
     "[z"},
    {"a command cut off at the body end",
     {{"start.txt", "\nchapter main {\n$log = \"[\";\nWriteFile(\"a.txt\", \"x\"}\n"}},
     "["},
};

INSTANTIATE_TEST_SUITE_P(Scripts, InterpStatements, ::testing::ValuesIn(kCases));

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(InterpCommands, QuotedArgumentsAndSubstitutionReachTheFile) {
    Game game;
    game.Script("start.txt",
                "\nchapter main {\n$n = 3.7;\nWriteFile(\"n.txt\", $n, FALSE);\n"
                "WriteFile(\"q.txt\", \"a,b;c\", false);\n"
                "WriteFile (\"sjis.txt\", \"表示\", FALSE);\n"
                "WriteFile(\"long.txt\", \"" + std::string(2100, 'x') + "\", FALSE);\n"
                "$after = 1;\n}\n");
    ASSERT_TRUE(game.Run());
    EXPECT_EQ(ReadAll(game.Folder() + "/n.txt"), "3");
    EXPECT_EQ(ReadAll(game.Folder() + "/q.txt"), "a,b;c");
    EXPECT_EQ(ReadAll(game.Folder() + "/sjis.txt"), testing_support::SjisRaw("表示"));
    // An over-long argument list does nothing, and the walk goes on.
    EXPECT_FALSE(std::filesystem::exists(game.Folder() + "/long.txt"));
    EXPECT_DOUBLE_EQ(Number("$after"), 1);
    EXPECT_EQ(Text("$n"), "3");
}

TEST(InterpCommands, TextBlocksAreSteppedOverAndNamed) {
    Game game;
    game.Script("start.txt",
                "\nchapter main {\n<PRE box>\n[l1]こんにちは。$x = 1;\n[l2]二行目\n</PRE>\n"
                "$after = 1;\n}\n");
    ASSERT_TRUE(game.Run());
    EXPECT_EQ(interp_test::Text("$SYSTEM_present_preprocess"), "box");
    EXPECT_EQ(interp_test::Text("$SYSTEM_present_text"), "@l1");
    EXPECT_EQ(interp_test::Text("$SYSTEM_present_process"), "main");
    EXPECT_DOUBLE_EQ(Number("$after"), 1);
    EXPECT_EQ(Number("$x"), -99999);  // text is not run as statements
}

TEST(InterpCommands, DateTimeFillsItsVariables) {
    Game game;
    game.Script("start.txt", "\nchapter main {\nDateTime($y, $mo, $d, $h, $mi, $s);\n}\n");
    ASSERT_TRUE(game.Run());
    EXPECT_GE(Number("$y"), 2024);
    EXPECT_GE(Number("$mo"), 1);
    EXPECT_LE(Number("$mo"), 12);
    EXPECT_GE(Number("$d"), 1);
    EXPECT_LE(Number("$d"), 31);
    EXPECT_LE(Number("$h"), 23);
    EXPECT_LE(Number("$s"), 60);
}

TEST(InterpCommands, OverlongStatementIsCutNotOverrun) {
    Game game;
    // A statement longer than the 32 KB buffer.
    game.Script("start.txt", "\nchapter main {\n$big = \"" + std::string(40000, 'x') +
                                 "\";\n$after = 2;\n}\n");
    ASSERT_TRUE(game.Run());
    EXPECT_DOUBLE_EQ(Number("$after"), 2);
}

TEST(InterpCommands, UnbalancedStartScriptFailsToStart) {
    Game game;
    game.Script("start.txt", "\nchapter main {\n$a = 1;\nwhile (1) {\n");
    EXPECT_FALSE(game.Start());
    Game other;
    other.Script("start.txt", "\nchapter first {\n}\n");
    EXPECT_FALSE(other.Start());  // no chapter main
}

}  // namespace
