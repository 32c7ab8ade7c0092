// The script layer's state belongs to its engine: what one engine changes is
// not seen by the next one, which starts from the defined defaults.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/file_support.h"
#include "script/interp.h"
#include "script/interp_hooks.h"
#include "script/preprocess.h"
#include "script/read_marks.h"
#include "script_test_util.h"

using namespace script;

namespace {

void OtherHandler(CommandCall&) {}
int AlwaysRunning() { return 1; }
int OneTree(int32_t) { return 1; }

struct Change {
    const char* what;
    std::function<void()> change;     // run in the first engine
    std::function<bool()> isDefault;  // false in the first engine after the change, true in the next
};

TEST(ScriptEngineState, FreshEngineStartsClean) {
    const char kText[] = "line\r\nline\r\n";
    const Change changes[] = {
        {"global variable", [] { script_test::RunStatements({"#g=5"}); },
         [] { return script_test::Var("#g") == nullptr; }},
        {"local variable", [] { script_test::RunStatements({"$l=\"x\""}); },
         [] { return script_test::Var("$l") == nullptr; }},
        {"system value", [] { script_test::RunStatements({"#SYSTEM_text_auto=1"}); },
         [] { return GetSystemValues().textAuto == 0; }},
        {"service", [] { GetServices().backlogRow = [] { return 7; }; },
         [] { return GetServices().backlogRow() != 7; }},
        {"interpreter hook", [] { GetInterpreterHooks().treeInUse = OneTree; },
         [] { return GetInterpreterHooks().treeInUse != OneTree; }},
        {"composer hook", [] { GetComposerHooks().running = AlwaysRunning; },
         [] { return GetComposerHooks().running != AlwaysRunning; }},
        {"command handler", [] { InstallCommandHandler("SetChip", OtherHandler); },
         [] { return FindCommand("SetChip")->handler != OtherHandler; }},
        {"data prefix", [] { SetDataPrefix("hd/"); }, [] { return DataPrefix()[0] == 0; }},
        {"read marks", [&kText] { RegisterReadMarks("seen.txt", kText, std::strlen(kText)); },
         [] { return FindReadMarks("seen.txt") == nullptr; }},
        // Checking takes a number: only a fresh engine gives 1 first.
        {"inline block numbers", [] { NextInlineBlockNumber(); },
         [] { return NextInlineBlockNumber() == 1; }},
    };
    {
        shell::EngineScope first;
        for (const Change& c : changes) {
            c.change();
            EXPECT_FALSE(c.isDefault()) << c.what;
        }
    }
    shell::EngineScope next;
    for (const Change& c : changes) EXPECT_TRUE(c.isDefault()) << c.what;
}

}  // namespace
