// Processes: the parallel block's status machine with its requests, a system
// script holding the main world, the command gate retried on a later pass,
// and stopping processes that never end on their own.
#include <gtest/gtest.h>

#include <atomic>

#include "interp_harness.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp_state.h"
#include "core/transitions.h"
#include "core/engine.h"

using interp_test::Game;
using interp_test::Number;
using namespace script;

namespace {

int32_t StatusOfBlock(ScriptBlock* b) { return LoadShared(b->run.status); }

bool WaitStatus(ScriptBlock* b, int32_t status) {
    return Game::WaitFor([&] { return StatusOfBlock(b) == status; });
}

const char* kParallelScript =
    "\nchapter main {\n"
    "while (1) { }\n"
    "}\n"
    "cut worker {\n"
    "$pre++;\n"
    "begin:\n"
    "$runs++;\n"
    "}\n"
    "function spinner() {\n"
    "$made++;\n"
    "begin:\n"
    "while (1) { }\n"
    "}\n";

TEST(InterpParallel, StartStopAndOpenRunFromAfterBegin) {
    Game game;
    game.Script("start.txt", kParallelScript);
    ASSERT_TRUE(game.Start());
    ScriptProcess* process = WorldHead(0);
    ASSERT_NE(process, nullptr);
    ScriptBlock* worker = PrepareParallelBlock(process, "worker", "w");
    ASSERT_NE(worker, nullptr);
    EXPECT_STREQ(worker->objectPrefix, "w");
    LaunchParallelBlock(worker);
    // The part before begin: ran once; the block waits at its entry point.
    EXPECT_EQ(StatusOfBlock(worker), StatusOpened);
    EXPECT_DOUBLE_EQ(Number("$pre"), 1);
    EXPECT_EQ(interp_test::Text("$runs"), "");

    struct Step {
        void (*request)(ScriptBlock*);
        int32_t settles;  // the status the block reaches
        double runs;      // $runs afterwards
    };
    const Step steps[] = {
        {RequestStart, StatusIdle, 1},
        {RequestStart, StatusIdle, 2},  // started again: from after begin:
        {RequestStop, StatusIdle, 2},
        {RequestStart, StatusIdle, 3},
        {RequestOpen, StatusOpened, 3},  // rewound, waits for a start
        {RequestStart, StatusIdle, 4},
        {RequestPause, StatusIdle, 4},   // pause acts on a running block only
        {RequestResume, StatusIdle, 4},
    };
    int i = 0;
    for (const Step& s : steps) {
        s.request(worker);
        ASSERT_TRUE(WaitStatus(worker, s.settles)) << "step " << i << " status " << StatusOfBlock(worker);
        if (s.settles == StatusIdle) {
            ASSERT_TRUE(Game::WaitFor([&] { return Number("$runs") == s.runs; })) << "step " << i;
        }
        ++i;
    }
    // The part before begin: never ran again.
    EXPECT_DOUBLE_EQ(Number("$pre"), 1);
}

TEST(InterpParallel, PauseAndResumeHoldARunningBlock) {
    Game game;
    game.Script("start.txt", kParallelScript);
    ASSERT_TRUE(game.Start());
    ScriptBlock* spinner = PrepareParallelBlock(WorldHead(0), "spinner", "s");
    ASSERT_NE(spinner, nullptr);
    LaunchParallelBlock(spinner);
    ASSERT_EQ(StatusOfBlock(spinner), StatusOpened);
    RequestStart(spinner);
    ASSERT_TRUE(WaitStatus(spinner, StatusRunning));
    RequestStart(spinner);  // a running block ignores a start
    EXPECT_EQ(StatusOfBlock(spinner), StatusRunning);
    RequestPause(spinner);
    EXPECT_EQ(StatusOfBlock(spinner), StatusPaused);
    // The block's thread goes round its paused wait and stays paused.
    const uint32_t rounds = core::Current().watch.pausedRounds.load();
    ASSERT_TRUE(Game::WaitFor([rounds] { return core::Current().watch.pausedRounds.load() >= rounds + 2; }));
    EXPECT_EQ(StatusOfBlock(spinner), StatusPaused);
    RequestResume(spinner);
    ASSERT_TRUE(WaitStatus(spinner, StatusRunning));
    RequestPause(spinner);
    RequestStart(spinner);  // a start continues a paused block
    ASSERT_TRUE(WaitStatus(spinner, StatusRunning));
    RequestStop(spinner);
    EXPECT_EQ(StatusOfBlock(spinner), StatusIdle);
    // Creating the process again ends the old thread first and runs the
    // block from its start.
    ScriptBlock* again = PrepareParallelBlock(WorldHead(0), "spinner", "s2");
    ASSERT_EQ(again, spinner);
    LaunchParallelBlock(again);
    EXPECT_EQ(StatusOfBlock(again), StatusOpened);
    // Each creation ran the part before begin: once.
    EXPECT_DOUBLE_EQ(Number("$made"), 2);
    RequestStart(again);
    ASSERT_TRUE(WaitStatus(again, StatusRunning));
}

TEST(InterpParallel, UnknownBlockMakesNoProcess) {
    Game game;
    game.Script("start.txt", kParallelScript);
    ASSERT_TRUE(game.Start());
    EXPECT_EQ(PrepareParallelBlock(WorldHead(0), "nothing", "n"), nullptr);
    EXPECT_EQ(PrepareParallelBlock(WorldHead(0), "main", "n"), nullptr);  // chapters never run in parallel
}

// Scripts call SetChip() to tell the test thread how far they got: the
// counter is atomic, while the variables themselves may only be read once
// the script threads have stopped.
std::atomic<int> g_chips{0};

// Counts SetChip calls in the current engine (a game's: the handler goes with
// the game's engine, so it is never put back).
struct ChipCounter {
    ChipCounter() {
        g_chips = 0;
        InstallCommandHandler("SetChip", [](CommandCall&) { g_chips++; });
    }
};

TEST(InterpWorlds, SystemScriptHoldsTheMainWorld) {
    Game game;
    ChipCounter chips;
    game.Script("start.txt",
                "\nchapter main {\n"
                "while (1) { $m++; SetChip(\"x\"); }\n"
                "}\n");
    game.Script("sys.txt",
                "\nchapter main {\n"
                "$w = 0;\n"
                "while ($w < 200) { $w++; }\n"
                "$a = $m;\n"
                "$w = 0;\n"
                "while ($w < 3000) { $w++; }\n"
                "$b = $m;\n"
                "$intrude = $SYSTEM_intrude;\n"
                "}\n");
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(Game::WaitFor([] { return core::Current().state.load() == core::StatePlay; }));
    ASSERT_TRUE(Game::WaitFor([] { return g_chips.load() > 0; }));
    // Refused, changing nothing, while the main world's SetChip holds the
    // command gate: asked again as the input layer would.
    ASSERT_TRUE(Game::WaitFor([] { return core::EnterSystemScript("sys.txt") == 1; }));
    // The system script ends by itself and gives the main world back.
    ASSERT_TRUE(Game::WaitFor([] {
        return core::Current().state.load() == core::StatePlay && WorldHead(1) == nullptr;
    }));
    // Then the main world goes on.
    int resumedFrom = g_chips.load();
    EXPECT_TRUE(Game::WaitFor([resumedFrom] { return g_chips.load() > resumedFrom + 1; }));
    game.Stop();
    EXPECT_DOUBLE_EQ(Number("$intrude"), 1);
    EXPECT_DOUBLE_EQ(Number("$SYSTEM_intrude"), 0);
    // While the system script ran, the main world's loop stood still; a
    // statement that had passed its check before the switch may still end.
    EXPECT_LE(Number("$b") - Number("$a"), 1);
    EXPECT_GT(Number("$m"), Number("$b"));
}

TEST(InterpWorlds, MainWorldThreadStartingDuringASystemScriptWaitsForPlay) {
    Game game;
    ChipCounter chips;
    game.Script("start.txt", "\nchapter main {\nSetChip(\"x\");\n}\n");
    ASSERT_TRUE(script::StartScriptEngine("start.txt"));
    const uint32_t held = core::Current().watch.heldRounds.load();
    core::SetEngineState(core::StateSystemScript);
    // The main world's thread stands still, round after round, without running its command.
    ASSERT_TRUE(Game::WaitFor([held] { return core::Current().watch.heldRounds.load() >= held + 2; }));
    EXPECT_EQ(g_chips.load(), 0);  // not run
    core::SetEngineState(core::StatePlay);
    EXPECT_TRUE(Game::WaitFor([] { return g_chips.load() == 1; }));
}

TEST(InterpWorlds, SystemScriptThatCannotLoadLeavesThePlayState) {
    Game game;
    game.Script("start.txt", "\nchapter main {\nwhile (1) { }\n}\n");
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(Game::WaitFor([] { return core::Current().state.load() == core::StatePlay; }));
    EXPECT_EQ(core::EnterSystemScript("missing.txt"), 0);
    EXPECT_EQ(core::Current().state.load(), core::StatePlay);
    EXPECT_EQ(WorldHead(1), nullptr);
}

TEST(InterpGate, GatedCommandWaitsForTheGate) {
    {
        Game game;
        ChipCounter chips;
        game.Script("start.txt",
                    "\nchapter main {\nSetChip(\"a\");\nSetChip(\"b\");\nwhile (1) { }\n}\n");
        // Another process holds the gate: the command waits, unchanged.
        ASSERT_TRUE(TryTakeCommandGate());
        const uint32_t retries = core::Current().watch.gateRetries.load();
        ASSERT_TRUE(game.Start());
        // The command finds the gate closed, pass after pass, and waits.
        ASSERT_TRUE(Game::WaitFor([retries] { return core::Current().watch.gateRetries.load() >= retries + 2; }));
        EXPECT_EQ(g_chips.load(), 0);
        ReleaseCommandGate();
        EXPECT_TRUE(Game::WaitFor([] { return g_chips.load() == 2; }));
    }
}

TEST(InterpStop, StoppingEndsEndlessScriptsAndTheirParallelBlocks) {
    Game game;
    game.Script("start.txt", kParallelScript);
    ASSERT_TRUE(game.Start());
    ScriptBlock* spinner = PrepareParallelBlock(WorldHead(0), "spinner", "s");
    ASSERT_NE(spinner, nullptr);
    LaunchParallelBlock(spinner);
    RequestStart(spinner);
    ASSERT_TRUE(WaitStatus(spinner, StatusRunning));
    core::ThreadHandle mainThread = WorldHead(0)->thread;
    game.Stop();
    EXPECT_FALSE(core::IsEngineThreadAlive(mainThread));
    EXPECT_EQ(WorldHead(0), nullptr);
}

platform::Event* g_release = nullptr;
std::atomic<int> g_inCommand{0};

// A process thread that does not end when the processes are stopped (here it
// sits in a command that waits for the test, not for quit) keeps its
// process: the world is emptied without freeing it, and when the thread goes
// on it still finds its own memory (an address sanitizer shows the difference).
TEST(InterpStop, AThreadThatDoesNotEndKeepsItsProcess) {
    g_release = platform::CreateEvent(true, false);
    g_inCommand = 0;
    {
        Game game;
        // The handler goes with the game's engine.
        InstallCommandHandler("SetChip", [](CommandCall&) {
            g_inCommand = 1;
            platform::WaitEvent(g_release, 30000);
        });
        game.Script("start.txt", "\nchapter main {\nSetChip(\"a\");\n$after = 1;\nwhile (1) { }\n}\n");
        ASSERT_TRUE(game.Start());
        ASSERT_TRUE(Game::WaitFor([] { return g_inCommand.load() == 1; }));
        ScriptProcess* process = WorldHead(0);
        ASSERT_NE(process, nullptr);
        core::ThreadHandle thread = process->thread;
        core::SetEngineState(core::StateStart);
        EXPECT_EQ(StopAllProcessesWithin(50), 1) << "the process is kept, not freed";
        EXPECT_EQ(WorldHead(0), nullptr) << "and no longer in its world";
        EXPECT_EQ(LoadShared(process->run.stopRequested), 1);
        // The thread leaves the command, sees that it was stopped and ends.
        platform::SetEvent(g_release);
        EXPECT_EQ(core::WaitEngineThread(thread, 10000), 1);
        core::ReleaseEngineThread(thread);
        EXPECT_EQ(Number("$after"), -99999) << "a stopped process runs no further statement";
    }
    platform::DestroyEvent(g_release);
    g_release = nullptr;
}

}  // namespace
