// Mouse: frame coordinates, buttons and their delayed variable resets, the
// wheel and the backlog, the right button and the menu, the close box, full
// screen and the window phases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input_fixture.h"
#include "platform/stretch.h"
#include "render/display.h"

using namespace input_test;

namespace {

TEST(InputCoordinates, ClientToFrameInTheWindowAndInScaledFullScreen) {
    struct Case {
        const char* name;
        core::FrameArea area;
        int clientX, clientY;
        int frameX, frameY;
    };
    const core::FrameArea window{0, 0, 1024, 768};
    const core::FrameArea wide{240, 0, 1440, 1080};     // 1920 x 1080 screen, 4:3 area centred
    const core::FrameArea letterbox{0, 60, 1280, 960};  // 1280 x 1080 screen
    const core::FrameArea twice{0, 0, 2048, 1536};
    const Case cases[] = {
        {"window, identity", window, 10, 20, 10, 20},
        {"window, corner", window, 1023, 767, 1023, 767},
        {"full screen, area origin", wide, 240, 0, 0, 0},
        {"full screen, centre", wide, 960, 540, 512, 384},
        {"full screen, far corner", wide, 1680, 1080, 1024, 768},
        {"full screen, one pixel in rounds up", wide, 241, 1, 1, 1},  // 0.711, 0.711
        {"full screen, left of the area", wide, 100, 0, -100, 0},     // -140 * 0.711 = -99.6
        {"letterbox, exact", letterbox, 5, 60, 4, 0},                 // 5 * 0.8 = 4.0
        {"halves round up", twice, 3, 5, 2, 3},                       // 1.5, 2.5
        {"negative halves round up too", twice, -3, -5, -1, -2},      // -1.5, -2.5
        {"letterbox, below the band", letterbox, 640, 1020, 512, 768},
    };
    for (const Case& c : cases) {
        int x = -1, y = -1;
        core::ClientToFramePoint(c.area, c.clientX, c.clientY, &x, &y);
        EXPECT_EQ(x, c.frameX) << c.name;
        EXPECT_EQ(y, c.frameY) << c.name;
    }
    // MoveCursor's inverse lands where the conversion comes back to.
    for (const core::FrameArea& area : {window, wide, letterbox})
        for (int f : {0, 1, 333, 512, 767}) {
            int cx, cy, fx, fy;
            core::FrameToClientPoint(area, f, f, &cx, &cy);
            core::ClientToFramePoint(area, cx, cy, &fx, &fy);
            EXPECT_EQ(fx, f) << area.width;
            EXPECT_EQ(fy, f) << area.width;
        }
}

// A window of any size: the frame position of a client pixel is the frame
// pixel drawn there by the crisp stretch, and moving the cursor to a frame
// pixel puts it on a client pixel that maps back to it.
TEST(InputCoordinates, ResizedWindowMapsEveryClientPixelToThePixelShownThere) {
    std::vector<uint32_t> frame(static_cast<size_t>(1024) * 768);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint32_t>(i);  // its own index
    const struct {
        const char* name;
        int windowW, windowH;
    } windows[] = {{"1:1", 1024, 768}, {"wide, letterboxed, 1.302x", 1600, 1000}, {"twice", 2048, 1536}};
    for (const auto& win : windows) {
        platform::Rect a = platform::FrameAreaFor(win.windowW, win.windowH);
        core::FrameArea area{a.left, a.top, a.right - a.left, a.bottom - a.top, true};
        std::vector<uint32_t> shown(static_cast<size_t>(area.width) * area.height);
        platform::StretchNearest(frame.data(), 1024, 1024, 768, shown.data(), area.width, area.width, area.height,
                                 platform::Rect{0, 0, area.width, area.height});
        for (int cy = 0; cy < area.height; cy += 7)
            for (int cx = 0; cx < area.width; cx += 3) {
                int fx, fy;
                core::ClientToFramePoint(area, area.x + cx, area.y + cy, &fx, &fy);
                uint32_t under = shown[static_cast<size_t>(cy) * area.width + cx];
                ASSERT_EQ(fx, static_cast<int>(under % 1024)) << win.name << " at " << cx << "," << cy;
                ASSERT_EQ(fy, static_cast<int>(under / 1024)) << win.name << " at " << cx << "," << cy;
            }
        for (int f = 0; f < 768; ++f) {
            int cx, cy, fx, fy;
            core::FrameToClientPoint(area, f, f, &cx, &cy);
            core::ClientToFramePoint(area, cx, cy, &fx, &fy);
            ASSERT_EQ(fx, f) << win.name;
            ASSERT_EQ(fy, f) << win.name;
        }
        // The bars lie outside the frame.
        int fx, fy;
        core::ClientToFramePoint(area, area.x - 1, area.y + area.height, &fx, &fy);
        EXPECT_EQ(fx, -1) << win.name;
        EXPECT_EQ(fy, 768) << win.name;
    }
}

TEST_F(InputFixture, MouseMoveStoresFramePositionAndClearsKeyPressed) {
    Send(platform::kMsgLButtonDown, 0, 1000, 100, 200);
    EXPECT_TRUE(core::InputKeyPressed());
    EXPECT_TRUE(core::LeftButtonHeld());
    Send(platform::kMsgMouseMove, platform::kMkLButton, 1010, 110, 210);
    EXPECT_TRUE(core::InputKeyPressed()) << "the button is still held";
    Send(platform::kMsgMouseMove, 0, 1020, 120, 220);
    EXPECT_FALSE(core::InputKeyPressed());
    int x, y;
    core::LastMousePosition(&x, &y);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 220);
    EXPECT_TRUE(Raised(core::kInputAny));
}

TEST_F(InputFixture, ButtonVariablesReturnToZero100msAfterRelease) {
    Send(platform::kMsgLButtonDown, 0, 1000);
    EXPECT_EQ(Var("$SYSTEM_l_button_down"), 1);
    EXPECT_TRUE(Raised(core::kInputLButton));
    Send(platform::kMsgLButtonUp, 0, 1050);
    EXPECT_TRUE(Raised(core::kInputLButtonUp));
    EXPECT_FALSE(Raised(core::kInputLButton));
    EXPECT_EQ(Var("$SYSTEM_l_button_down"), 1) << "not yet";
    EXPECT_EQ(shell::InputTimerDueIn(), 100);
    EXPECT_TRUE(g_world.pauses.empty()) << "the handler never sleeps for the reset";

    g_world.now = 1149;
    shell::RunDueInputTimers();
    EXPECT_EQ(Var("$SYSTEM_l_button_down"), 1);
    EXPECT_EQ(shell::InputTimerDueIn(), 1);
    g_world.now = 1150;
    shell::RunDueInputTimers();
    EXPECT_EQ(Var("$SYSTEM_l_button_down"), 0);
    EXPECT_EQ(shell::InputTimerDueIn(), -1);

    // A new press before the reset is due cancels it.
    Send(platform::kMsgRButtonDown, 0, 2000);
    Send(platform::kMsgRButtonUp, 0, 2050);
    Send(platform::kMsgRButtonDown, 0, 2100);
    g_world.now = 2200;
    shell::RunDueInputTimers();
    EXPECT_EQ(Var("$SYSTEM_r_button_down"), 1);
    // Any message handles a due reset first.
    Send(platform::kMsgRButtonUp, 0, 2300);
    Send(platform::kMsgMouseMove, 0, 2400);
    EXPECT_EQ(Var("$SYSTEM_r_button_down"), 0);
}

TEST_F(InputFixture, LeftClickBringsHiddenTextBackAndNothingMore) {
    script::AssignVariable("$SYSTEM_text_erase", 1, "");
    Send(platform::kMsgLButtonDown, 0, 1000);
    EXPECT_EQ(Var("$SYSTEM_text_erase"), 0);
    EXPECT_FALSE(Raised(core::kInputLButton));
    EXPECT_EQ(Var("$SYSTEM_l_button_down"), 0);
    EXPECT_TRUE(core::InputKeyPressed());
    Send(platform::kMsgLButtonUp, 0, 1050);

    // Over a clickable object the click belongs to the object.
    g_world.clickable = 1;
    Send(platform::kMsgLButtonDown, 0, 2000);
    EXPECT_FALSE(Raised(core::kInputLButton));
    EXPECT_TRUE(core::LeftButtonHeld()) << "the choice test still sees the button";
    Send(platform::kMsgLButtonUp, 0, 2050);

    // A double click acts as a press without the variable.
    g_world.clickable = 0;
    g_world.now = 3000;
    shell::RunDueInputTimers();
    Send(platform::kMsgLButtonDblClk, 0, 3000);
    EXPECT_TRUE(Raised(core::kInputLButton));
    EXPECT_EQ(Var("$SYSTEM_l_button_down"), 0);
}

TEST_F(InputFixture, WheelForwardOpensTheBacklogOnlyScriptsSeeItOtherwise) {
    core::Current().settings.backlogScript = "backlog.txt";
    struct Case {
        const char* name;
        int backlogReady;
        int backlogLock;
        bool opens;
    };
    const Case cases[] = {
        {"backlog exists", 1, 0, true},
        {"no backlog record", 0, 0, false},
        {"backlog locked", 1, 1, false},
    };
    for (const Case& c : cases) {
        Fresh();
        core::Current().settings.backlogScript = "backlog.txt";
        g_world.backlogReady = c.backlogReady;
        script::AssignVariable("$SYSTEM_backlog_lock", c.backlogLock, "");
        Send(platform::kMsgMouseWheel, 120, 1000);
        EXPECT_EQ(!g_world.started.empty(), c.opens) << c.name;
        EXPECT_EQ(core::Current().state.load() == core::StateSystemScript, c.opens) << c.name;
        EXPECT_EQ(Var("$SYSTEM_mousewheel_up"), c.opens ? 0 : 1) << c.name;
        bool raised = platform::IsEventSet(core::InputEvent(core::kInputMainWorld, core::kInputWheelUp)) ||
                      platform::IsEventSet(core::InputEvent(core::kInputSystemWorld, core::kInputWheelUp));
        EXPECT_EQ(raised, !c.opens) << c.name;
    }
}

TEST_F(InputFixture, WheelBackIsOfferedToClickableObjectsAndLimitedTo64ms) {
    g_world.wheelTaken = 1;
    Send(platform::kMsgMouseWheel, -120, 1000);
    EXPECT_FALSE(Raised(core::kInputWheelDown));
    g_world.wheelTaken = 0;
    Send(platform::kMsgMouseWheel, -120, 1100);
    EXPECT_TRUE(Raised(core::kInputWheelDown));
    EXPECT_EQ(Var("$SYSTEM_mousewheel_down"), 1);
    platform::ResetEvent(core::CurrentInputEvent(core::kInputWheelDown));
    Send(platform::kMsgMouseWheel, -120, 1130);
    EXPECT_FALSE(Raised(core::kInputWheelDown)) << "30 ms after the last step";
    Send(platform::kMsgMouseWheel, -120, 1170);
    EXPECT_TRUE(Raised(core::kInputWheelDown));

    // In skip mode the wheel ends skip and pauses; nothing else.
    platform::ResetEvent(core::CurrentInputEvent(core::kInputWheelDown));
    SetSkip(true);
    Send(platform::kMsgMouseWheel, -120, 2000);
    EXPECT_FALSE(Skip());
    EXPECT_EQ(g_world.pauses, std::vector<uint32_t>{500});
    EXPECT_FALSE(Raised(core::kInputWheelDown));
    // While the display is paused no wheel event is raised.
    g_world.displayRuns = 0;
    Send(platform::kMsgMouseWheel, -120, 3000);
    EXPECT_FALSE(Raised(core::kInputWheelDown));
}

TEST_F(InputFixture, RightClickClosesTheShownBacklogInsteadOfOpeningTheMenu) {
    core::Current().settings.menuScript = "menu.txt";
    script::AssignVariable("$SYSTEM_backlog_enable", 1, "");
    g_world.backlogShown = 1;
    Send(platform::kMsgRButtonDown, 0, 1000);
    EXPECT_EQ(Var("$SYSTEM_backlog_enable"), 0);
    EXPECT_EQ(g_world.pauses, std::vector<uint32_t>{200});
    EXPECT_TRUE(g_world.started.empty());
    EXPECT_EQ(Var("$SYSTEM_r_button_down"), 1);
    EXPECT_TRUE(Raised(core::kInputRButton));
    Send(platform::kMsgRButtonUp, 0, 1050);
    EXPECT_TRUE(Raised(core::kInputRButtonUp));
    EXPECT_FALSE(Raised(core::kInputRButton));

    g_world.backlogShown = 0;
    Send(platform::kMsgRButtonDown, 0, 2000);
    EXPECT_EQ(g_world.started, std::vector<std::string>{"menu.txt"});
    EXPECT_EQ(core::Current().state.load(), core::StateSystemScript);
}

TEST_F(InputFixture, RightClickWhileTheMenuIsOpenClosesIt) {
    core::Current().settings.menuScript = "menu.txt";
    script::AssignVariable("$SYSTEM_menu_enable", 1, "");
    Send(platform::kMsgRButtonDown, 0, 1000);
    EXPECT_TRUE(g_world.started.empty());
    EXPECT_EQ(Var("$SYSTEM_menu_enable"), 0);

    // In skip mode the click only ends skip.
    SetSkip(true);
    Send(platform::kMsgRButtonDown, 0, 2000);
    EXPECT_FALSE(Skip());
    EXPECT_TRUE(g_world.started.empty());
    EXPECT_EQ(g_world.pauses, std::vector<uint32_t>{500});
}

TEST_F(InputFixture, CloseBox) {
    struct Case {
        const char* name;
        const char* closeScript;
        uint32_t state;
        bool skip;
        bool quits;
        bool startsScript;
    };
    const Case cases[] = {
        {"no close script: quit", "", core::StatePlay, false, true, false},
        {"close script runs instead", "close.txt", core::StatePlay, false, false, true},
        {"skip mode: only skip ends", "", core::StatePlay, true, false, false},
        {"system script running: nothing", "", core::StateSystemScript, false, false, false},
    };
    for (const Case& c : cases) {
        Fresh();
        core::Current().settings.closeScript = c.closeScript;
        core::Current().state = c.state;
        SetSkip(c.skip);
        Send(platform::kMsgClose, 0, 1000);
        EXPECT_EQ(core::Quitting(), c.quits) << c.name;
        EXPECT_EQ(!g_world.started.empty(), c.startsScript) << c.name;
        EXPECT_FALSE(Skip()) << c.name;
        EXPECT_EQ(Var("$SYSTEM_button_close"), 1) << c.name;
        core::Current().quit = 0;
    }
}

TEST_F(InputFixture, PhasesDecideWhichMessagesCount) {
    // Start-up: the close box cannot close anything yet.
    shell::SetWindowPhase(shell::kPhaseStartup);
    Send(platform::kMsgClose, 0, 1000);
    EXPECT_FALSE(core::Quitting());
    Send(platform::kMsgKeyDown, platform::kVkReturn, 1100);
    EXPECT_FALSE(Raised(core::kInputEnter));

    // Ending a system script: only mouse moves and right-button releases.
    shell::SetWindowPhase(shell::kPhaseEndingSystem);
    Send(platform::kMsgRButtonUp, 0, 1200);
    EXPECT_TRUE(Raised(core::kInputRButtonUp));
    Send(platform::kMsgClose, 0, 1300);
    EXPECT_FALSE(core::Quitting());

    // A movie: the close box asks first (the headless box answers Yes).
    shell::SetWindowPhase(shell::kPhaseMovie);
    static std::vector<int> controls;
    controls.clear();
    shell::GetInputHooks().movieControl = [](int op) { controls.push_back(op); };
    Send(platform::kMsgClose, 0, 1400);
    EXPECT_TRUE(core::Quitting());
    EXPECT_EQ(controls, (std::vector<int>{1, 0})) << "paused for the prompt, then stopped";
}

TEST_F(InputFixture, FullScreenToggleFollowsTheVariableAndItsLock) {
    platform::Video();  // the headless driver
    render::SwitchWindowFull(0);
    Send(platform::kMsgToggleFullscreen, 0, 1000);
    EXPECT_EQ(render::CurrentWindowFull(), 1);
    EXPECT_EQ(Var("#SYSTEM_window_full"), 1);
    EXPECT_NE(platform::Video().displayMode(), platform::kWindowed);
    Send(platform::kMsgToggleFullscreen, 0, 1100);
    EXPECT_EQ(render::CurrentWindowFull(), 0);
    EXPECT_EQ(Var("#SYSTEM_window_full"), 0);
    EXPECT_EQ(platform::Video().displayMode(), platform::kWindowed);

    script::AssignVariable("$SYSTEM_window_full_lock", 1, "");
    Send(platform::kMsgToggleFullscreen, 0, 1200);
    EXPECT_EQ(render::CurrentWindowFull(), 0) << "refused while locked";
    EXPECT_EQ(Var("#SYSTEM_window_full"), 0);
}

TEST_F(InputFixture, QuittingEngineIgnoresMessages) {
    core::Current().quit = 1;
    Send(platform::kMsgKeyDown, platform::kVkReturn, 1000);
    EXPECT_FALSE(Raised(core::kInputEnter));
}

}  // namespace
