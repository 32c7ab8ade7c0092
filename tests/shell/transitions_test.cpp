// Restart, exit and system-script transitions, and the main loop's reaction.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sync.h"
#include "core/engine.h"
#include "core/registry.h"
#include "shell/startup.h"
#include "shell/subsystems.h"
#include "core/transitions.h"

namespace {

std::vector<std::string> g_calls;
double g_intrude = -1;
bool g_systemScriptStarts = false;

class TransitionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_intrude = -1;
        core::Current().quit = 0;
        for (platform::Event** e :
             {&core::Current().quitEvent, &core::Current().stateChanged, &core::Current().settingsChanged,
              &core::Current().commandsEnabled, &core::Current().commandGate, &core::Current().auxEvent1})
            *e = platform::CreateEvent(true, false);
        platform::SetEvent(core::Current().commandsEnabled);
        platform::SetEvent(core::Current().commandGate);
        ASSERT_EQ(core::InitRegistry(), 1);
        saved_ = shell::GetSubsystems();
        savedHooks_ = core::GetTransitionHooks();
        shell::Subsystems& s = shell::GetSubsystems();
        s.stopComposer = [] { g_calls.push_back("stopComposer"); };
        s.stopAllProcesses = [] { g_calls.push_back("stopAllProcesses"); };
        s.startComposer = [] { g_calls.push_back("startComposer"); return true; };
        // No game here: the settings and their save folder are not this test's concern.
        s.applyGameSettings = [] { return true; };
        s.startScriptEngine = [](const char*) { g_calls.push_back("startScriptEngine"); return true; };
        core::TransitionHooks& h = core::GetTransitionHooks();
        h.saveGlobalVariables = [] { g_calls.push_back("saveGlobals"); };
        h.startSystemScript = [](const char*) { return g_systemScriptStarts; };
        h.setNumberVariable = [](const char* name, double v) {
            if (std::string(name) == "$SYSTEM_intrude") g_intrude = v;
        };
    }
    void TearDown() override {
        shell::GetSubsystems() = saved_;
        core::GetTransitionHooks() = savedHooks_;
        core::Current().quit = 0;
        core::EndAllThreads();
        for (platform::Event** e :
             {&core::Current().quitEvent, &core::Current().stateChanged, &core::Current().settingsChanged,
              &core::Current().commandsEnabled, &core::Current().commandGate, &core::Current().auxEvent1}) {
            platform::DestroyEvent(*e);
            *e = nullptr;
        }
    }
    shell::Subsystems saved_;
    core::TransitionHooks savedHooks_;
};

TEST_F(TransitionFixture, SystemScriptSwitchAndFailedStart) {
    core::Current().state = core::StatePlay;
    g_systemScriptStarts = false;
    EXPECT_EQ(core::EnterSystemScript("menu.txt"), 0);
    EXPECT_EQ(core::Current().state.load(), core::StatePlay) << "a script that cannot load returns to play";
    EXPECT_EQ(g_intrude, 0);
    EXPECT_TRUE(platform::IsEventSet(core::Current().commandsEnabled));

    g_systemScriptStarts = true;
    EXPECT_EQ(core::EnterSystemScript("menu.txt"), 1);
    EXPECT_EQ(core::Current().state.load(), core::StateSystemScript);
    EXPECT_EQ(g_intrude, 1);
    EXPECT_EQ(core::EnterSystemScript("menu.txt"), 0) << "not while a system script runs";

    // Not while a command holds the gate.
    core::Current().state = core::StatePlay;
    platform::ResetEvent(core::Current().commandGate);
    EXPECT_EQ(core::EnterSystemScript("menu.txt"), 0);
}

TEST_F(TransitionFixture, ResetDuringSystemScriptTearsDownAndStartsAfresh) {
    core::Current().state = core::StateSystemScript;
    core::RestartEngine();
    EXPECT_EQ(core::Current().state.load(), core::StateStart);
    EXPECT_EQ(core::Current().previousState.load(), core::StateSystemScript);
    EXPECT_TRUE(platform::IsEventSet(core::Current().commandGate)) << "the gate is open again";
    ASSERT_FALSE(g_calls.empty());
    EXPECT_EQ(g_calls.front(), "saveGlobals");

    g_calls.clear();
    bool byTimer = false;
    EXPECT_EQ(shell::MainLoop(200, &byTimer), 1);
    EXPECT_TRUE(byTimer);
    const std::vector<std::string> expected = {"stopComposer", "stopAllProcesses", "startComposer",
                                               "startScriptEngine"};
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(core::Current().state.load(), core::StatePlay);
}

TEST_F(TransitionFixture, FailedStartSequenceEndsTheMainLoop) {
    shell::GetSubsystems().startScriptEngine = [](const char*) { return false; };
    core::Current().state = core::StateStart;
    core::Current().previousState = core::StateNone;
    bool byTimer = false;
    EXPECT_EQ(shell::MainLoop(10000, &byTimer), 0);
    EXPECT_FALSE(byTimer);
    EXPECT_EQ(core::Current().state.load(), core::StateStart);
}

TEST_F(TransitionFixture, ExitSavesThenQuits) {
    core::ExitEngine();
    EXPECT_EQ(g_calls, std::vector<std::string>{"saveGlobals"});
    EXPECT_TRUE(core::Quitting());
    EXPECT_TRUE(platform::IsEventSet(core::Current().quitEvent));
}

}  // namespace
