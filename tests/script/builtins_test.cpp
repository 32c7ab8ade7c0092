// Built-in functions finished in the script core.
#include <gtest/gtest.h>

#include <string>

#include "script/services.h"
#include "script_test_util.h"

using namespace script;
using script_test::RunStatements;

namespace {

struct TextCase {
    const char* statement;  // UTF-8, evaluated as Shift-JIS
    const char* text;       // expected text result (UTF-8)
    double number;
};

class BuiltinText : public ::testing::TestWithParam<TextCase> {
    // Built first and destroyed last: each test runs in a fresh engine.
    shell::EngineScope engine_;
};

TEST_P(BuiltinText, Result) {
    const TextCase& c = GetParam();
    std::string text;
    // Wrapped in parentheses: a statement may not begin with these built-ins.
    double number =
        RunStatements({"$s=\"ab\"", "$n=42", "(" + std::string(c.statement) + ")"}, &text);
    EXPECT_EQ(text, testing_support::SjisRaw(c.text)) << c.statement;
    EXPECT_DOUBLE_EQ(number, c.number) << c.statement;
}

const TextCase kTextCases[] = {
    {"Strlen(\"あいう\")", "", 3},
    {"Strlen(\"ソ表示\")", "", 3},  // trail bytes 0x5C
    {"Strlen($s)", "", 2},
    {"Substr(\"abcdef\",2,3)", "cde", 0},
    {"Substr(\"ソ表示\",1,1)", "表", 0},
    {"Substr(\"abc\",1,10)", "bc", 0},
    {"Substr(\"abc\",5,1)", "", 0},
    {"Strstr(\"ソ表示\",\"示\")", "", 3},
    {"Strstr(\"abc\",\"\")", "", 0},
    // The needle's bytes occur across a character boundary only.
    {"Strstr(\"ソa\",\"\\a\")", "", 0},
    {"String(\"%d-%s\",5,\"x\")", "5-x", 0},
    {"String(\"%03d|%-3s|\",$n,$s)", "042|ab |", 0},
    {"String(\"%.2f\",1.5)", "1.50", 0},
    {"String(\"100%%\")", "100%", 0},
    {"String(\"%s\",5)", "%s", 0},
    {"String(\"%d\",\"abc\")", "%d", 0},
    {"String(\"%d %d\",1)", "1 %d", 0},
    {"String(\"%n%p\",1,2)", "%n%p", 0},
    {"String(\"%s表\",\"ソ\")", "ソ表", 0},
    {"String(\"%x\",255)", "ff", 0},
    {"Integer(0-2.7)", "", -2},
    {"Random(0)", "", 0},
    {"!Strlen(\"\")", "", 1},
};

INSTANTIATE_TEST_SUITE_P(Table, BuiltinText, ::testing::ValuesIn(kTextCases));

TEST(Builtins, RandomStaysInRangeAndVaries) {
    shell::EngineScope engine;
    bool seen[7] = {};
    for (int i = 0; i < 400; ++i) {
        double r = EvaluateStatement(nullptr, nullptr, "(Random(7))");
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 7);
        seen[static_cast<int>(r)] = true;
    }
    int distinct = 0;
    for (bool s : seen) distinct += s;
    EXPECT_GE(distinct, 4);
}

TEST(Builtins, ReadFileCutsAtWholeCharacters) {
    shell::EngineScope engine;
    testing_support::TempDir dir;
    // 1022 single bytes and a two-byte character that would end at byte 1024.
    std::string content(1022, 'a');
    content += testing_support::SjisRaw("表");
    dir.Write("small.txt", content);
    std::string statement = "ReadFile(\"" + dir.path + "/small.txt\")";
    char out[kTextSize];
    EvaluateStatement(out, nullptr, ("(" + statement + ")").c_str());
    EXPECT_EQ(std::string(out), std::string(1022, 'a'));
}

TEST(Builtins, AvailableFileTellsMissingFromUnopenable) {
    shell::EngineScope engine;
    testing_support::TempDir dir;
    dir.Write("here.txt", "x");
    auto eval = [](const std::string& s) { return EvaluateStatement(nullptr, nullptr, s.c_str()); };
    EXPECT_EQ(eval("(AvailableFile(\"" + dir.path + "/here.txt\"))"), 1);
    EXPECT_EQ(eval("(AvailableFile(\"" + dir.path + "/gone.txt\"))"), -1);
}

TEST(Builtins, MessageMapsWordsAndAnswers) {
    shell::EngineScope engine;
    static uint32_t lastStyle;
    GetServices().messageBox = [](const char*, const char*, uint32_t style) {
        lastStyle = style;
        return 7;  // No
    };
    double r = EvaluateStatement(nullptr, nullptr, "Message(\"t\",\"c\",\"yesno\",\"question\")");
    EXPECT_EQ(lastStyle, 0x24u);
    EXPECT_EQ(r, 3);
    EvaluateStatement(nullptr, nullptr, "Message(\"t\",\"c\",\"bogus\")");
    EXPECT_EQ(lastStyle, 0u);
}

TEST(Builtins, ObjectNamesAreQualified) {
    shell::EngineScope engine;
    static std::string asked;
    GetServices().imageSize = [](const char* name, int vertical) {
        asked = name;
        return vertical ? 480 : 640;
    };
    EXPECT_EQ(EvaluateStatement(nullptr, nullptr, "(ImageVertical(\"bg\"))"), 480);
    EXPECT_EQ(asked, "bg");
    EXPECT_EQ(EvaluateStatement(nullptr, nullptr, "(ImageHorizon(\"@alias\"))"), 640);
    EXPECT_EQ(asked, "@alias");
}

}  // namespace
