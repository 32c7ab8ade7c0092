// Keys: Enter's events, the 64 ms debounce, Ctrl's skip rules, Space and the
// text window, letter shortcuts, Esc and F1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input_fixture.h"
#include "script/command_table.h"
#include "script/dispatch.h"

using namespace input_test;
using platform::kVkControl;
using platform::kVkReturn;

namespace {

TEST_F(InputFixture, HoldingEnterRaisesItsEventOnceAndReleaseRaises273) {
    KeyDown(kVkReturn, 1000);
    EXPECT_TRUE(Raised(core::kInputEnter));
    EXPECT_EQ(Var("$SYSTEM_keydown_enter"), 1);
    EXPECT_TRUE(core::InputKeyPressed());
    // A click stop consumes the press; the key's repeats must not press again.
    platform::ResetEvent(core::CurrentInputEvent(core::kInputEnter));
    for (uint32_t t = 1500; t <= 2000; t += 100) KeyDown(kVkReturn, t);
    EXPECT_FALSE(Raised(core::kInputEnter)) << "a held Enter pressed again";
    EXPECT_FALSE(Raised(core::kInputEnterUp));

    platform::SetEvent(core::CurrentInputEvent(core::kInputEnter));
    KeyUp(kVkReturn, 2100);
    EXPECT_FALSE(Raised(core::kInputEnter)) << "release resets 257";
    EXPECT_TRUE(Raised(core::kInputEnterUp));
    EXPECT_TRUE(Raised(core::kInputAny));
    EXPECT_EQ(Var("$SYSTEM_keydown_enter"), 0);

    // The next press is a press again.
    KeyDown(kVkReturn, 2300);
    EXPECT_TRUE(Raised(core::kInputEnter));
}

TEST_F(InputFixture, KeysCloserThan64msToTheLastAcceptedOneAreDropped) {
    struct Case {
        uint32_t gap;
        bool secondAccepted;
    };
    const Case cases[] = {{30, false}, {63, false}, {64, true}, {200, true}};
    uint32_t t = 10000;
    for (const Case& c : cases) {
        KeyDown(platform::kVkShift, t);
        KeyDown(platform::kVkDown, t + c.gap);
        EXPECT_EQ(Var("$SYSTEM_keydown_shift"), 1) << c.gap;
        EXPECT_EQ(Var("$SYSTEM_keydown_down"), c.secondAccepted ? 1 : 0) << c.gap;
        EXPECT_EQ(Raised(core::kInputDown), c.secondAccepted) << c.gap;
        KeyUp(platform::kVkShift, t + 300);
        KeyUp(platform::kVkDown, t + 300);
        t += 1000;
    }
    // A dropped key is not queued: nothing of it arrives later.
    KeyDown(platform::kVkShift, t);
    KeyDown(platform::kVkTab, t + 30);
    KeyDown(platform::kVkHome, t + 100);
    EXPECT_FALSE(Raised(core::kInputTab));
    EXPECT_TRUE(Raised(core::kInputHome));
}

TEST_F(InputFixture, CtrlTapTogglesSkipAndHoldingSkipsUntilRelease) {
    enum Op { Down, Up };
    struct Step {
        Op op;
        uint32_t t;
        bool skipAfter;
    };
    struct Case {
        const char* name;
        bool skipBefore;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"tap starts skip, which stays after release", false, {{Down, 0, true}, {Up, 120, true}}},
        {"second tap while skipping ends it at the press",
         false,
         {{Down, 0, true}, {Up, 120, true}, {Down, 1000, false}, {Up, 1100, false}}},
        {"held Ctrl repeats, skip ends at release",
         false,
         {{Down, 0, true}, {Down, 500, true}, {Down, 533, true}, {Down, 566, true}, {Up, 900, false}}},
        {"skip started elsewhere: a press ends it at once", true, {{Down, 0, false}, {Up, 100, false}}},
        {"skip started elsewhere, Ctrl held: the press ends it, repeats start it again "
         "and the release ends it",
         true,
         {{Down, 0, false}, {Down, 500, true}, {Down, 600, true}, {Up, 800, false}}},
    };
    for (const Case& c : cases) {
        Fresh();
        SetSkip(c.skipBefore);
        ASSERT_EQ(Skip(), c.skipBefore) << c.name;
        uint32_t base = 50000;
        for (const Step& s : c.steps) {
            if (s.op == Down)
                KeyDown(kVkControl, base + s.t);
            else
                KeyUp(kVkControl, base + s.t);
            EXPECT_EQ(Skip(), s.skipAfter) << c.name << " at " << s.t;
            EXPECT_EQ(Var("$SYSTEM_skip"), s.skipAfter ? 1 : 0) << c.name << " at " << s.t;
            EXPECT_EQ(render::Modes().skip.load(), s.skipAfter ? 1 : 0) << c.name << " at " << s.t;
        }
    }
}

TEST_F(InputFixture, CtrlStartsSkipOnlyInNormalPlayWithTheDisplayRunning) {
    struct Case {
        const char* name;
        void (*arrange)();
    };
    const Case cases[] = {
        {"skip locked", [] { script::AssignVariable("$SYSTEM_skip_lock", 1, ""); }},
        {"menu open", [] { script::AssignVariable("$SYSTEM_menu_enable", 1, ""); }},
        {"menu locked", [] { script::AssignVariable("$SYSTEM_menu_lock", 1, ""); }},
        {"display paused", [] { g_world.displayRuns = 0; }},
        {"system script running", [] { core::Current().state = core::StateSystemScript; }},
    };
    for (const Case& c : cases) {
        Fresh();
        c.arrange();
        KeyDown(kVkControl, 5000);
        EXPECT_FALSE(Skip()) << c.name;
        EXPECT_EQ(Var("$SYSTEM_keydown_ctrl"), 1) << c.name;
        EXPECT_TRUE(Raised(core::kInputCtrl)) << c.name;
    }
}

TEST_F(InputFixture, EnterEndsSkipThenAutoModeAndLeavesClickableObjectsTheirKey) {
    SetSkip(true);
    script::AssignVariable("$SYSTEM_text_auto", 1, "");
    KeyDown(kVkReturn, 1000);
    EXPECT_FALSE(Skip());
    EXPECT_EQ(script::GetSystemValues().textAuto, 1) << "one thing at a time";
    EXPECT_TRUE(Raised(core::kInputEnter));
    KeyUp(kVkReturn, 1050);

    KeyDown(kVkReturn, 1100);
    EXPECT_EQ(script::GetSystemValues().textAuto, 0);
    EXPECT_EQ(Var("$SYSTEM_text_auto"), 0);
    KeyUp(kVkReturn, 1150);

    g_world.clickable = 1;
    KeyDown(kVkReturn, 1200);
    EXPECT_FALSE(Raised(core::kInputEnter)) << "the object under the mouse takes the key";
    EXPECT_EQ(Var("$SYSTEM_keydown_enter"), 0);
    EXPECT_EQ(Var("$SYSTEM_XBOX360_button_a_down"), 1);
}

TEST_F(InputFixture, SpaceHidesAndShowsTheTextWindowOrEndsSkip) {
    KeyDown(platform::kVkSpace, 1000);
    EXPECT_EQ(Var("$SYSTEM_text_erase"), 1);
    EXPECT_EQ(g_world.redraws, 1);
    EXPECT_EQ(g_world.pauses, std::vector<uint32_t>{100});
    EXPECT_TRUE(Raised(core::kInputSpace));
    KeyUp(platform::kVkSpace, 1100);
    EXPECT_FALSE(Raised(core::kInputSpace));

    KeyDown(platform::kVkSpace, 1200);
    EXPECT_EQ(Var("$SYSTEM_text_erase"), 0);
    KeyUp(platform::kVkSpace, 1300);

    SetSkip(true);
    KeyDown(platform::kVkSpace, 1400);
    EXPECT_FALSE(Skip());
    EXPECT_EQ(Var("$SYSTEM_text_erase"), 0) << "ending skip is all the press does";
    KeyUp(platform::kVkSpace, 1500);

    // The menu command acts as the key.
    Send(platform::kMsgCommand, shell::kCommandHideText, 1600);
    EXPECT_EQ(Var("$SYSTEM_text_erase"), 1);
    // Ctrl shows the text again.
    KeyDown(kVkControl, 1700);
    EXPECT_EQ(Var("$SYSTEM_text_erase"), 0);
}

TEST_F(InputFixture, LetterShortcutsRunTheirScriptAsASystemScript) {
    EXPECT_EQ(shell::SetShortcut("s", "save.txt"), 1);
    EXPECT_EQ(shell::SetShortcut("L", "load.txt"), 1);
    EXPECT_EQ(shell::SetShortcut("ab", "x.txt"), 0) << "more than one character";
    EXPECT_EQ(shell::SetShortcut("1", "x.txt"), 0);
    EXPECT_EQ(shell::SetShortcut("q", std::string(260, 'a').c_str()), 0) << "does not fit";
    EXPECT_EQ(shell::SetShortcut("q", std::string(259, 'a').c_str()), 1);
    char name[shell::kShortcutNameSize];
    EXPECT_TRUE(shell::ShortcutScript('Q', name));
    EXPECT_EQ(std::string(name).size(), 259u);
    // The script command sets the same table.
    const script::CommandEntry* command = script::FindCommand("SetShortcut");
    ASSERT_TRUE(command && command->handler);
    script::CommandCall call;
    call.args[0] = "q";
    call.args[1] = "quick.txt";
    call.argCount = 2;
    command->handler(call);
    EXPECT_TRUE(shell::ShortcutScript('Q', name));
    EXPECT_STREQ(name, "quick.txt");

    KeyDown('S', 1000);
    EXPECT_EQ(g_world.started, std::vector<std::string>{"save.txt"});
    EXPECT_EQ(core::Current().state.load(), core::StateSystemScript);
    EXPECT_EQ(Var("$SYSTEM_keydown_s"), 1);
    EXPECT_TRUE(core::IsInputRaised(core::kInputLetter)) << "raised in the system world now";
    KeyUp('S', 1100);
    EXPECT_EQ(Var("$SYSTEM_keydown_s"), 0);

    // A letter without a shortcut only sets its variable and event.
    core::Current().state = core::StatePlay;
    KeyDown('K', 2000);
    EXPECT_EQ(g_world.started.size(), 1u);
    EXPECT_EQ(Var("$SYSTEM_keydown_k"), 1);
    KeyUp('K', 2050);

}

TEST_F(InputFixture, SystemScriptRequestsAreLimitedAndEndSkip) {
    shell::SetShortcut("a", "a.txt");
    g_world.scriptStarts = false;  // each request returns to play at once
    KeyDown('A', 1000);
    KeyUp('A', 1050);
    KeyDown('A', 1200);  // 200 ms after the first request
    KeyUp('A', 1250);
    EXPECT_EQ(g_world.started.size(), 1u);
    SetSkip(true);
    KeyDown('A', 1400);
    KeyUp('A', 1450);
    EXPECT_FALSE(Skip());
    EXPECT_EQ(g_world.started.size(), 1u);
    KeyDown('A', 1800);
    EXPECT_EQ(g_world.started.size(), 2u);
}

TEST_F(InputFixture, ScriptAssignmentsReachTheComposerModes) {
    script::GetServices().systemChanged = [](script::SystemChange c) {
        shell::InputOnSystemChange(static_cast<int>(c));
    };
    script::AssignVariable("$SYSTEM_skip", 1, "");
    EXPECT_EQ(render::Modes().skip.load(), 1);
    script::AssignVariable("$SYSTEM_text_erase", 1, "");
    EXPECT_EQ(render::Modes().hide, 1);
    EXPECT_EQ(g_world.redraws, 1);
    script::AssignVariable("$SYSTEM_menu_lock", 1, "");
    EXPECT_EQ(render::Modes().skip.load(), 0);
    EXPECT_EQ(render::Modes().hide, 0);
    EXPECT_EQ(g_world.redraws, 2);
    // The handler's own changes redraw once, not once more for the echo.
    script::AssignVariable("$SYSTEM_menu_lock", 0, "");
    KeyDown(platform::kVkSpace, 1000);
    EXPECT_EQ(render::Modes().hide, 1);
    EXPECT_EQ(g_world.redraws, 3);
}

TEST_F(InputFixture, KickedKeysActAsPressesWithoutHoldingTheKey) {
    platform::Message stale;
    while (platform::Video().pollMessage(&stale)) {
    }
    shell::SetShortcut("s", "save.txt");
    script::GetServices().kickShortcut('S');
    platform::Message kicked;
    ASSERT_TRUE(platform::Video().pollMessage(&kicked));
    EXPECT_EQ(kicked.code, platform::kMsgKeyDown);
    EXPECT_EQ(kicked.param, 'S');
    kicked.time = 1000;
    g_world.now = 1000;
    shell::HandleMessage(kicked);
    EXPECT_EQ(g_world.started, std::vector<std::string>{"save.txt"});

    // The player's own press afterwards is a press, not a repeat.
    core::Current().state = core::StatePlay;
    KeyDown('S', 2000);
    EXPECT_EQ(g_world.started.size(), 2u);
}

TEST_F(InputFixture, F1OpensTheSaveFolderOncePerPress) {
    KeyDown(platform::kVkF1, 1000);
    KeyDown(platform::kVkF1, 1500);  // held: a repeat
    KeyUp(platform::kVkF1, 1600);
    EXPECT_EQ(g_world.opened, std::vector<std::string>{"/saves/velmoor"});
}

TEST_F(InputFixture, EscRaisesItsEventAndAsksToClose) {
    platform::Message stale;
    while (platform::Video().pollMessage(&stale)) {
    }
    KeyDown(platform::kVkEscape, 1000);
    EXPECT_EQ(Var("$SYSTEM_keydown_esc"), 1);
    EXPECT_TRUE(Raised(core::kInputEsc));
    platform::Message posted;
    ASSERT_TRUE(platform::Video().pollMessage(&posted));
    EXPECT_EQ(posted.code, platform::kMsgClose);
    SetSkip(true);
    KeyUp(platform::kVkEscape, 1100);
    EXPECT_FALSE(Skip()) << "Esc up ends skip";
}

TEST_F(InputFixture, UpOpensTheBacklogWhenItCanElseScriptsSeeTheKey) {
    core::Current().settings.backlogScript = "backlog.txt";
    KeyDown(platform::kVkUp, 1000);
    EXPECT_TRUE(g_world.started.empty());
    EXPECT_TRUE(Raised(core::kInputUp));
    KeyUp(platform::kVkUp, 1100);
    EXPECT_FALSE(Raised(core::kInputUp));

    g_world.backlogReady = 1;
    KeyDown(platform::kVkPageUp, 1200);
    EXPECT_EQ(g_world.started, std::vector<std::string>{"backlog.txt"});
    EXPECT_EQ(core::Current().state.load(), core::StateSystemScript);
    EXPECT_FALSE(platform::IsEventSet(core::InputEvent(core::kInputMainWorld, core::kInputPageUp)));
    EXPECT_FALSE(platform::IsEventSet(core::InputEvent(core::kInputSystemWorld, core::kInputPageUp)));
}

TEST_F(InputFixture, RaisingAnEventAScriptWaitsForLetsItRunFirst) {
    KeyDown(platform::kVkShift, 1000);
    EXPECT_TRUE(g_world.pauses.empty());
    KeyUp(platform::kVkShift, 1050);
    platform::Event* enter = core::CurrentInputEvent(core::kInputEnter);
    core::InputWaiting(enter, 1);
    KeyDown(kVkReturn, 2000);
    EXPECT_EQ(g_world.pauses, std::vector<uint32_t>{32});
    KeyUp(kVkReturn, 2050);
    core::InputWaiting(enter, -1);
    KeyDown(kVkReturn, 3000);
    EXPECT_EQ(g_world.pauses.size(), 1u);
}

}  // namespace
