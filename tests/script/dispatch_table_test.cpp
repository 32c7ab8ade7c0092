// The command table, name recognition, the argument text and argument
// splitting with quotes and substitution, and the command gate.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "interp_harness.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/sjis.h"

using namespace script;
using testing_support::SjisRaw;

namespace {

struct BlockDeleter {
    void operator()(ScriptBlock* b) const { std::free(b); }
};
using BlockPtr = std::unique_ptr<ScriptBlock, BlockDeleter>;

// A bare block over `text` (which must outlive it), as the preprocessor
// would leave it.
BlockPtr MakeBlock(std::string& text, uint8_t kind = kBlockChapter) {
    auto* b = static_cast<ScriptBlock*>(std::calloc(1, sizeof(ScriptBlock)));
    b->inUse = 1;
    b->kind = kind;
    b->bodyStart = text.data();
    b->entryPoint = text.data();
    b->bodyEnd = text.data() + text.size();
    b->cursor = text.data();
    return BlockPtr(b);
}

TEST(DispatchTable, EveryCommandOnceWithItsArgumentCount) {
    int count = 0;
    const CommandEntry* table = CommandTable(&count);
    EXPECT_EQ(count, 92);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(names.insert(table[i].name).second) << table[i].name;
        EXPECT_EQ(table[i].length, std::strlen(table[i].name)) << table[i].name;
        EXPECT_LE(table[i].argCount, kMaxCommandArguments) << table[i].name;
    }
    struct Expect {
        const char* name;
        int args;
        unsigned quoted;
        CommandGate gate;
    };
    const Expect expects[] = {
        {"CreateName", 1, 0x1, kGateTest},    {"CreateCube", 8, 0xFD, kGateTest},
        {"CreateClipTexture", 9, 0x101, kGateTest}, {"LoadText", 7, 0x7, kGateTest},
        {"Move", 6, 0x1, kGateNone},          {"Draw", 0, 0, kGateNone},
        {"WriteFile", 3, 0x7, kGateNone},     {"Reset", 0, 0, kGateWait},
        {"System", 3, 0x7, kGateNone},        {"SetChip", 5, 0x1, kGateTest},
        {"Load", 2, 0, kGateTest},            {"ClearScore", 1, 0, kGateNone},
    };
    for (const Expect& e : expects) {
        const CommandEntry* c = FindCommand(e.name);
        ASSERT_NE(c, nullptr) << e.name;
        EXPECT_EQ(c->argCount, e.args) << e.name;
        EXPECT_EQ(c->quotedMask, e.quoted) << e.name;
        EXPECT_EQ(c->gate, e.gate) << e.name;
    }
    // The table's first and last commands keep their places.
    EXPECT_STREQ(table[0].name, "CreateName");
    EXPECT_STREQ(table[count - 1].name, "System");
}

// Every command of the table with the number of arguments it reads and
// which of them (1-based) it reads in quoted mode.
struct ArgumentModes {
    const char* name;
    int args;
    std::vector<int> quoted;
};
const ArgumentModes kArgumentModes[] = {
    {"CreateName", 1, {1}},
    {"CreateAnimation", 5, {1, 5}},
    {"CreateProcess", 5, {1, 5}},
    {"CreateColor", 7, {1}},
    {"CreateEffect", 7, {1, 7}},
    {"CreateFrame", 6, {1, 5, 6}},
    {"CreateTexture", 5, {1, 5}},
    {"CreateClipTexture", 9, {1, 9}},
    {"CreateDifferenceTexture", 6, {1, 5, 6}},
    {"CreateMask", 6, {1, 5}},
    {"CreateStencil", 7, {1, 6}},
    {"CreateSurface", 5, {1}},
    {"CreateMovie", 8, {1, 7}},
    {"CreateCube", 8, {1, 3, 4, 5, 6, 7, 8}},
    {"CreateSound", 3, {1, 3}},
    {"CreateText", 7, {1, 7}},
    {"CreateWindow", 7, {1}},
    {"CreateCamera", 4, {1}},
    {"CreateChoice", 7, {1}},
    {"CreateBacklog", 2, {1}},
    {"CreateScrollbar", 9, {1, 9}},
    {"LoadImage", 2, {1, 2}},
    {"LoadClipImage", 6, {1, 6}},
    {"LoadColor", 4, {1}},
    {"LoadFont", 8, {1, 2, 8}},
    {"LoadText", 7, {1, 2, 3}},
    {"LoadFile", 2, {1}},
    {"UnloadFile", 1, {1}},
    {"LoadCVT", 1, {1}},
    {"Move", 6, {1}},
    {"BezierMove", 5, {1}},  // name, duration, points, curve and the wait argument
    {"Request", 2, {1, 2}},
    {"Rotate", 7, {1}},
    {"Shake", 9, {1}},
    {"MoveCamera", 7, {1}},
    {"MoveCube", 7, {1}},
    {"Delete", 1, {1}},
    {"Disable", 1, {1}},
    {"Fade", 5, {1}},
    {"SetChip", 5, {1}},
    {"SetAlias", 2, {1, 2}},
    {"SetVertex", 3, {1}},
    {"SetShade", 2, {1}},
    {"SetTone", 2, {1}},
    {"SetImage", 2, {1, 2}},
    {"SetSurface", 2, {1, 2}},
    {"SetComposite", 4, {1, 4}},
    {"SetBlur", 6, {1}},
    {"SetStream", 2, {1}},
    {"SetFov", 2, {1}},
    {"SetNextFocus", 3, {1, 2}},
    {"SetScrollbar", 2, {1, 2}},
    {"SetScrollSpeed", 2, {1}},
    {"SetBacklog", 3, {1, 2, 3}},
    {"Zoom", 6, {1}},
    {"Draw", 0, {}},
    {"DrawEffect", 6, {1, 3}},
    {"DrawTransition", 8, {1, 7}},
    {"Wait", 1, {}},
    {"WaitKey", 1, {}},
    {"WaitMove", 2, {1}},
    {"WaitFade", 2, {1}},
    {"WaitZoom", 2, {1}},
    {"WaitRotate", 2, {1}},
    {"WaitShake", 2, {1}},
    {"WaitPlay", 2, {1}},
    {"WaitText", 2, {1}},
    {"WaitAction", 2, {1}},
    {"SetVolume", 4, {1}},
    {"SetPan", 4, {1}},
    {"SetFrequency", 4, {1}},
    {"SetLoop", 2, {1}},
    {"SetLoopPoint", 3, {1}},
    {"SoundEffect", 6, {1, 2}},
    {"MoviePlay", 2, {1}},
    {"ClearScore", 1, {}},
    {"ClearBacklog", 0, {}},
    {"SetBaseTextInterval", 1, {}},
    {"SetFont", 6, {1}},
    {"Save", 1, {}},
    {"Load", 2, {}},
    {"DeleteSaveFile", 1, {}},
    {"Position", 3, {1}},
    {"CursorPosition", 2, {}},
    {"MoveCursor", 2, {}},
    {"DateTime", 6, {}},
    {"WriteFile", 3, {1, 2, 3}},
    {"SetShortcut", 2, {1, 2}},
    {"Escape", 1, {}},
    {"Reset", 0, {}},
    {"Exit", 0, {}},
    {"System", 3, {1, 2, 3}},
};

// What a handler was given, recorded by the stand-in handler below.
std::vector<std::string> g_seen;
int g_seenCount = -1;
void RecordArguments(CommandCall& call) {
    g_seenCount = call.argCount;
    g_seen.clear();
    for (int i = 0; i < call.argCount; ++i) g_seen.push_back(call.args[i]);
}

// Each command, called with every argument written in double quotes, hands
// its handler the arguments in the mode the table gives: a quoted-mode
// argument without its quotes, a plain one as written, quotes and all.
TEST(DispatchTable, EveryHandlerGetsItsArgumentsInTheTablesMode) {
    interp_test::EnsureEngineEvents();
    int count = 0;
    CommandTable(&count);
    ASSERT_EQ(static_cast<int>(sizeof kArgumentModes / sizeof kArgumentModes[0]), count);
    for (const ArgumentModes& m : kArgumentModes) {
        SCOPED_TRACE(m.name);
        const CommandEntry* e = FindCommand(m.name);
        ASSERT_NE(e, nullptr);
        unsigned mask = 0;
        for (int q : m.quoted) mask |= 1u << (q - 1);
        EXPECT_EQ(e->argCount, m.args);
        EXPECT_EQ(e->quotedMask, mask);
        if (m.args == 0) continue;
        std::string text = std::string(m.name) + "(";
        for (int i = 0; i < m.args; ++i) text += (i ? ", \"v" : "\"v") + std::to_string(i + 1) + "\"";
        text += ");rest";
        CommandHandler original = e->handler;
        ASSERT_TRUE(InstallCommandHandler(m.name, RecordArguments));
        g_seenCount = -1;
        BlockPtr block = MakeBlock(text);
        const char* cursor = text.data();
        EXPECT_EQ(DispatchCommand(nullptr, block.get(), &cursor, text.data() + text.size()),
                  kConsumed);
        InstallCommandHandler(m.name, original);
        EXPECT_EQ(std::string(cursor), "rest");
        ASSERT_EQ(g_seenCount, m.args);
        for (int i = 0; i < m.args; ++i) {
            std::string bare = "v" + std::to_string(i + 1);
            bool quoted = (mask >> i) & 1;
            EXPECT_EQ(g_seen[i], quoted ? bare : "\"" + bare + "\"") << "argument " << i + 1;
        }
    }
}

TEST(DispatchTable, NamesNeedTheirDelimiter) {
    struct Case {
        std::string text;
        const char* command;  // null: no command
    };
    const Case cases[] = {
        {"Move(a);", "Move"},
        {"Move (a);", "Move"},
        {"Move\t(a);", "Move"},
        {"Move\r\n(a);", "Move"},
        {SjisRaw("Move　(a);"), "Move"},  // full-width space
        {"MoveX(a);", nullptr},          // a longer word is not the command
        {"Movement(a);", nullptr},
        {"move(a);", nullptr},           // names are case-sensitive
        {"Move", nullptr},               // cut off after the name
        {"Move;", nullptr},
        {"WaitKey(0);", "WaitKey"},
        {"Wait(10);", "Wait"},
        {"Load(1, 0);", "Load"},
        {"LoadImage(\"a\", \"b\");", "LoadImage"},
        {"MoveCube(a);", "MoveCube"},
        {"$Move(a);", nullptr},
    };
    for (const Case& c : cases) {
        const CommandEntry* e = MatchCommand(c.text.c_str());
        if (!c.command) {
            EXPECT_EQ(e, nullptr) << c.text;
        } else {
            ASSERT_NE(e, nullptr) << c.text;
            EXPECT_STREQ(e->name, c.command) << c.text;
        }
    }
}

TEST(DispatchArguments, ArgumentTextFindsTheListOutsideQuotes) {
    struct Case {
        std::string statement;  // from the name's end
        const char* text;       // null: refused
        int after;              // offset of the continuing cursor
    };
    const std::string longList(3000, 'x');
    const std::string justFits(2047, 'y');
    const std::string tooLong(2048, 'z');
    const Case cases[] = {
        {"(a, b);X", "a, b", 7},
        {"();X", "", 3},
        {"(\"a;b)\", c);X", "\"a;b)\", c", 12},
        {"(\"q\\\"(\", 1);X", "\"q\\\"(\", 1", 12},
        {"(a) ;X", "a", 4},                    // one byte after the parenthesis's successor
        {"(f(x), g(y));X", "f(x), g(y)", 13},  // the last ')' before the ';'
        {";X", "", 1},                         // no list at all
        {"(a, b", "", 5},                      // cut off: no ')' and no ';'
        {"(a)", "a", 3},                       // cut off after ')': never past the text
        {"(" + justFits + ");", justFits.c_str(), 2050},
        {"(" + tooLong + ");X", nullptr, 2051},
        {"(" + longList + ");X", nullptr, 3003},
    };
    for (const Case& c : cases) {
        std::string text = c.statement;
        char out[kArgumentTextSize];
        const char* next = nullptr;
        const char* after = ArgumentText(text.data(), text.data() + text.size(), out, &next);
        if (!c.text) {
            EXPECT_EQ(after, nullptr) << c.statement.substr(0, 20);
        } else {
            ASSERT_NE(after, nullptr) << c.statement.substr(0, 20);
            EXPECT_STREQ(out, c.text) << c.statement.substr(0, 20);
        }
        EXPECT_EQ(next - text.data(), c.after) << c.statement.substr(0, 20);
    }
}

TEST(DispatchArguments, QuotedTrailByteBackslashDoesNotEscapeTheQuote) {
    // "表" is 0x95 0x5C: its trail byte is a backslash, yet the quote that
    // follows closes the literal.
    std::string text = SjisRaw("(\"表\", b);");
    char out[kArgumentTextSize];
    const char* next = nullptr;
    ASSERT_NE(ArgumentText(text.data(), text.data() + text.size(), out, &next), nullptr);
    EXPECT_EQ(std::string(out), SjisRaw("\"表\", b"));
    char* cursor = out;
    char values[2][kArgValueSize];
    const char* first = NextArgument(&cursor, nullptr, true, false, values[0]);
    const char* second = NextArgument(&cursor, nullptr, true, false, values[1]);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::string(first), SjisRaw("表"));
    EXPECT_STREQ(second, "b");
    EXPECT_EQ(NextArgument(&cursor, nullptr, true, false, values[0]), nullptr);
}

TEST(DispatchArguments, SplittingQuotedAndPlain) {
    struct Case {
        std::string list;
        unsigned quotedMask;
        std::vector<const char*> args;  // then no more
    };
    const Case cases[] = {
        {"a, b ,c", 0, {"a", "b", "c"}},
        {"\"x, y; z\", 2", 0x1, {"x, y; z", "2"}},        // quoted keeps , and ;
        {"\"x, y\", 2", 0x0, {"\"x, y\"", "2"}},         // plain mode keeps its quotes
        {"\"a\";\"b\"", 0x3, {"a", "b"}},                 // ';' separates too
        {"$v, \"q\"", 0x3, {"$v", "q"}},                  // '$' is never quoted
        {"\"unterminated, x", 0x1, {"unterminated, x"}},
        {"a,,b", 0, {"a", "", "b"}},
        {"a,", 0, {"a", ""}},
        {"   ", 0, {}},
        {"f(\"a,b\"), c", 0, {"f(\"a,b\")", "c"}},        // quotes in a plain argument
    };
    for (const Case& c : cases) {
        std::string list = c.list;
        char* cursor = *SkipWhite(list.data()) ? list.data() : nullptr;
        char value[kArgValueSize];
        size_t i = 0;
        for (; i < c.args.size(); ++i) {
            const char* arg = NextArgument(&cursor, nullptr, (c.quotedMask >> i) & 1, false, value);
            ASSERT_NE(arg, nullptr) << c.list << " #" << i;
            EXPECT_STREQ(arg, c.args[i]) << c.list << " #" << i;
        }
        EXPECT_EQ(NextArgument(&cursor, nullptr, false, false, value), nullptr) << c.list;
    }
}

TEST(DispatchArguments, VariablesAndParametersAreSubstituted) {
    interp_test::EnsureEngineEvents();
    ClearLocals();
    ClearGlobals();
    Variable* n = GetOrCreateExact("$n");
    SetNumber(n, 3.7);
    SetText(GetOrCreateExact("$t"), SjisRaw("文字").c_str());
    SetNumber(GetOrCreateExact("#neg"), -2.9);
    // SetText made $t a text; SetNumber keeps the kind number for $n.
    n->kind = kVarNumber;
    std::string body = "x";
    BlockPtr function = MakeBlock(body, kBlockFunction);
    function->parameterCount = 2;
    function->parameters[0].kind = kParameterPlain;
    std::strcpy(function->parameters[0].name, "who");
    std::strcpy(function->parameters[0].value, "Alice");
    function->parameters[1].kind = kParameterPlain;
    std::strcpy(function->parameters[1].name, "$p");
    struct Case {
        std::string arg;
        bool substitute;
        std::string expect;
    };
    const Case cases[] = {
        {"$n", true, "3"},             // a number variable is passed as its integer
        {"#neg", true, "-2"},          // truncated toward zero
        {"$t", true, SjisRaw("文字")},
        {"$missing", true, "$missing"},
        {"who", true, "Alice"},        // a plain parameter's value
        {"who", false, "who"},
        {"$n", false, "$n"},           // substitution switched off
        {"whom", true, "whom"},
    };
    for (const Case& c : cases) {
        std::string list = c.arg;
        char* cursor = list.data();
        char value[kArgValueSize];
        const char* arg = NextArgument(&cursor, function.get(), false, c.substitute, value);
        ASSERT_NE(arg, nullptr) << c.arg;
        EXPECT_EQ(std::string(arg), c.expect) << c.arg;
    }
    // The number variable's text now shows its number.
    EXPECT_STREQ(n->text, "3");
    EXPECT_DOUBLE_EQ(n->number, 3.7);
}

TEST(DispatchGate, ClosedGateLeavesTheCommandForALaterPass) {
    interp_test::EnsureEngineEvents();
    std::string text = "Disable(\"x\");rest";
    BlockPtr block = MakeBlock(text);
    // Gated command while another process holds the gate: consumed, but the
    // cursor stays so that the walker tries it again.
    ASSERT_TRUE(TryTakeCommandGate());
    EXPECT_FALSE(TryTakeCommandGate());
    const char* cursor = text.data();
    EXPECT_EQ(DispatchCommand(nullptr, block.get(), &cursor, text.data() + text.size()), kConsumed);
    EXPECT_EQ(cursor, text.data());
    // An ungated command runs meanwhile.
    std::string ungated = "ClearScore(\"none\");rest";
    BlockPtr other = MakeBlock(ungated);
    const char* c2 = ungated.data();
    EXPECT_EQ(DispatchCommand(nullptr, other.get(), &c2, ungated.data() + ungated.size()), kConsumed);
    EXPECT_EQ(std::string(c2), "rest");
    ReleaseCommandGate();
    EXPECT_EQ(DispatchCommand(nullptr, block.get(), &cursor, text.data() + text.size()), kConsumed);
    EXPECT_EQ(std::string(cursor), "rest");
    // The gate is open again after the command.
    EXPECT_TRUE(platform::IsEventSet(core::Current().commandGate));
    // A word that is no command is left to the walker.
    std::string word = "Nothing(1);";
    BlockPtr third = MakeBlock(word);
    const char* c3 = word.data();
    EXPECT_EQ(DispatchCommand(nullptr, third.get(), &c3, word.data() + word.size()), kNotACommand);
    EXPECT_EQ(c3, word.data());
}

TEST(DispatchGate, ReportTextNormalisesTheCall) {
    interp_test::EnsureEngineEvents();
    ClearLocals();
    SetNumber(GetOrCreateExact("$k"), 4);
    static std::string report;
    CommandHandler original = FindCommand("SetChip")->handler;
    ASSERT_TRUE(InstallCommandHandler("SetChip", [](CommandCall& call) { report = call.report; }));
    std::string text = "SetChip( \"chip\" , $k,3 ,x);";
    BlockPtr block = MakeBlock(text);
    const char* cursor = text.data();
    DispatchCommand(nullptr, block.get(), &cursor, text.data() + text.size());
    EXPECT_EQ(report, "SetChip(\"chip\",4,3,x);");
    InstallCommandHandler("SetChip", original);
}

}  // namespace
