// A fixture that drives the input layer's message handler directly: engine
// events, a clean variable store, a hand-set clock, recorded pauses and
// system-script starts, and hooks whose answers each test chooses.
#pragma once
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/sync.h"
#include "platform/video.h"
#include "render/compose.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/clock.h"
#include "core/engine.h"
#include "shell/input.h"
#include "core/registry.h"
#include "shell/settings.h"
#include "core/transitions.h"
#include "shell/engine_build.h"

namespace input_test {

struct World {
    uint32_t now = 1000;
    std::vector<uint32_t> pauses;
    std::vector<std::string> started;  // system scripts started
    bool scriptStarts = true;
    int displayRuns = 1;
    int clickable = 0;
    int wheelTaken = 0;
    int backlogReady = 0;
    int backlogShown = 0;
    int redraws = 0;
    std::vector<std::string> opened;  // folders opened
};

inline World g_world;

class InputFixture : public ::testing::Test {
protected:
    void SetUp() override {
        g_world = World{};
        core::Current().quit = 0;
        for (platform::Event** e :
             {&core::Current().quitEvent, &core::Current().stateChanged, &core::Current().settingsChanged,
              &core::Current().commandsEnabled, &core::Current().commandGate, &core::Current().auxEvent1})
            *e = platform::CreateEvent(true, false);
        platform::SetEvent(core::Current().commandsEnabled);
        platform::SetEvent(core::Current().commandGate);
        ASSERT_EQ(core::InitRegistry(), 1);
        script::ClearLocals();
        script::ClearGlobals();
        script::GetSystemValues() = script::SystemValues{};
        core::Current().settings = shell::Settings{};
        render::SetSkipMode(false);
        render::Modes().hide = 0;

        savedTransitions_ = core::GetTransitionHooks();
        core::TransitionHooks& t = core::GetTransitionHooks();
        t.startSystemScript = [](const char* name) {
            g_world.started.push_back(name);
            return g_world.scriptStarts;
        };
        t.setNumberVariable = [](const char*, double) {};

        core::SetClock([] { return g_world.now; });
        shell::InputHooks& h = shell::GetInputHooks();
        h.pause = [](uint32_t ms) { g_world.pauses.push_back(ms); };
        h.displayRuns = [] { return g_world.displayRuns; };
        h.clickableUnderMouse = [] { return g_world.clickable; };
        h.wheelTaken = [] { return g_world.wheelTaken; };
        h.backlogReady = [] { return g_world.backlogReady; };
        h.backlogShown = [] { return g_world.backlogShown; };
        h.redrawFrame = [] { ++g_world.redraws; };
        h.paint = [](int) {};
        h.saveFolder = [] { return std::string("/saves/velmoor"); };
        h.openFolder = [](const std::string& path) {
            g_world.opened.push_back(path);
            return true;
        };

        shell::ResetInputLayer(0);
        shell::ResetInputLayer(1);
        core::Current().state = core::StatePlay;
    }

    void TearDown() override {
        core::SetClock(nullptr);
        core::GetTransitionHooks() = savedTransitions_;
        core::Current().quit = 0;
        core::Current().state = core::StateNone;
        script::GetSystemValues() = script::SystemValues{};
        script::ResetScriptServices();
        render::SetSkipMode(false);
        render::Modes().hide = 0;
        // Messages the handler posted to the window (Esc's close request).
        platform::Message m;
        while (platform::Video().pollMessage(&m)) {
        }
        core::EndAllThreads();
        for (platform::Event** e :
             {&core::Current().quitEvent, &core::Current().stateChanged, &core::Current().settingsChanged,
              &core::Current().commandsEnabled, &core::Current().commandGate, &core::Current().auxEvent1}) {
            platform::DestroyEvent(*e);
            *e = nullptr;
        }
    }

    // A fresh start inside one test (table rows that need one each): a new
    // engine, set up again.
    void Fresh() {
        TearDown();
        engine_.reset();
        engine_.emplace();
        SetUp();
    }

    // Handles one message at time `t` (the clock moves there first).
    void Send(uint32_t code, int64_t param, uint32_t t, int x = 0, int y = 0) {
        g_world.now = t;
        platform::Message m;
        m.code = code;
        m.param = param;
        m.time = t;
        m.x = x;
        m.y = y;
        shell::HandleMessage(m);
    }
    void KeyDown(uint32_t vk, uint32_t t) { Send(platform::kMsgKeyDown, vk, t); }
    void KeyUp(uint32_t vk, uint32_t t) { Send(platform::kMsgKeyUp, vk, t); }

    static double Var(const char* name) {
        const script::Variable* v = script::LookupExact(name);
        return v ? v->number : 0.0;
    }
    static bool Raised(int code) { return core::IsInputRaised(code); }
    static bool Skip() { return script::GetSystemValues().skip != 0; }
    static void SetSkip(bool on) {
        script::AssignVariable("$SYSTEM_skip", on ? 1 : 0, "");
    }

    // Each test (and each Fresh start) has an engine of its own, wired and
    // clean. First: built before and destroyed after the rest.
    std::optional<shell::EngineScope> engine_{std::in_place};
    core::TransitionHooks savedTransitions_;
};

}  // namespace input_test
