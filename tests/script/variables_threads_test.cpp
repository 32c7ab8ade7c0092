// Variables shared between script threads: increments, assignments, text
// copies and argument reading running at the same moment on the same records.
// Run under ThreadSanitizer these show any unsynchronised access; in every
// build a lost increment or a torn text fails them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "interp_harness.h"
#include "script/dispatch.h"
#include "script/expression_internal.h"
#include "script/process.h"
#include "script_test_util.h"

using namespace script;

namespace {

constexpr int kRounds = 2000;

// Runs `body(thread index)` on `count` threads at once and joins them.
template <typename F>
void RunTogether(int count, F body) {
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) threads.emplace_back([&body, i] { body(i); });
    for (std::thread& t : threads) t.join();
}

TEST(VariablesThreads, IncrementsFromSeveralThreadsAreNeverLost) {
    shell::EngineScope engine;
    script_test::RunStatements({"$n = 0", "$m = 0"});
    RunTogether(3, [](int) {
        char out[kTextSize];
        for (int i = 0; i < kRounds; ++i) {
            EvaluateStatement(out, nullptr, "$n++");
            EvaluateStatement(out, nullptr, "++$m");
        }
    });
    EXPECT_EQ(ReadNumber(script_test::Var("$n")), 3.0 * kRounds);
    EXPECT_EQ(ReadNumber(script_test::Var("$m")), 3.0 * kRounds);
}

// One thread assigns whole texts of one letter, the others copy the variable
// out through every reading path: a copy is always one whole text.
TEST(VariablesThreads, TextCopiesAreNeverTorn) {
    shell::EngineScope engine;
    const std::string a(600, 'a');
    const std::string b(900, 'b');
    AssignVariable("$t", 0, a.c_str());
    auto whole = [&](const std::string& s) { return s == a || s == b; };
    std::atomic<int> torn{0};
    RunTogether(3, [&](int who) {
        char out[kTextSize];
        for (int i = 0; i < kRounds; ++i) {
            if (who == 0) {
                AssignVariable("$t", 0, (i % 2 ? a : b).c_str());
                continue;
            }
            Arguments args;
            args.number.push_back(0);
            args.text.emplace_back("$t");
            if (!whole(args.Text(0))) ++torn;
            EvaluateExpression(nullptr, "VariableValue(\"$\",\"t\")", out);
            if (!whole(out)) ++torn;
            AssignVariable("$u", 0, "$t");
            char copy[kVarTextSize];
            ReadText(script_test::Var("$u"), copy, sizeof(copy));
            if (!whole(copy)) ++torn;
        }
    });
    EXPECT_EQ(torn.load(), 0);
}

struct BlockDeleter {
    void operator()(ScriptBlock* b) const { std::free(b); }
};

// Reading a number variable as a command argument writes its integer text
// into the record while other threads change the number.
TEST(VariablesThreads, ArgumentReadingWhileOthersAssign) {
    shell::EngineScope engine;
    interp_test::EnsureEngineEvents();
    AssignVariable("$k", 5, "");
    std::string body = "x";
    std::unique_ptr<ScriptBlock, BlockDeleter> block(
        static_cast<ScriptBlock*>(std::calloc(1, sizeof(ScriptBlock))));
    block->inUse = 1;
    block->kind = kBlockChapter;
    block->bodyStart = block->entryPoint = block->cursor = body.data();
    block->bodyEnd = body.data() + body.size();
    std::atomic<int> wrong{0};
    RunTogether(3, [&](int who) {
        for (int i = 0; i < kRounds; ++i) {
            if (who == 0) {
                AssignVariable("$k", i % 2 ? 5 : 7, "");
                continue;
            }
            std::string list = "$k";
            char* cursor = list.data();
            char value[kArgValueSize];
            const char* arg = NextArgument(&cursor, block.get(), false, true, value);
            if (!arg || (std::strcmp(arg, "5") != 0 && std::strcmp(arg, "7") != 0)) ++wrong;
        }
    });
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
