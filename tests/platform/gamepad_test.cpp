// Gamepad events as the engine's key and mouse messages: the mapping as a
// table of SDL controller events, the stick's hysteresis, and the scaling
// filter's choice.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/messages.h"
#include "platform/sdl_events.h"
#include "platform/sdl_gamepad.h"
#include "platform/window_placement.h"

namespace {

using namespace platform;

SDL_Event PadButton(bool down, uint8_t button, SDL_JoystickID pad = 3) {
    SDL_Event e;
    SDL_zero(e);
    e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
    e.cbutton.which = pad;
    e.cbutton.button = button;
    e.cbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

SDL_Event PadAxis(uint8_t axis, int16_t value, SDL_JoystickID pad = 3) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_CONTROLLERAXISMOTION;
    e.caxis.which = pad;
    e.caxis.axis = axis;
    e.caxis.value = value;
    return e;
}

struct Expected {
    uint32_t code;
    int64_t param;
};

TEST(Gamepad, ButtonsSpeakAsKeysAndMouseButtons) {
    const struct {
        const char* what;
        uint8_t button;
        std::vector<Expected> down, up;
    } cases[] = {
        {"A is Enter", SDL_CONTROLLER_BUTTON_A, {{kMsgKeyDown, kVkReturn}}, {{kMsgKeyUp, kVkReturn}}},
        {"B is the right button", SDL_CONTROLLER_BUTTON_B, {{kMsgRButtonDown, 0}}, {{kMsgRButtonUp, 0}}},
        {"X is Space (text window)", SDL_CONTROLLER_BUTTON_X, {{kMsgKeyDown, kVkSpace}}, {{kMsgKeyUp, kVkSpace}}},
        {"Y is Page Up (backlog)", SDL_CONTROLLER_BUTTON_Y, {{kMsgKeyDown, kVkPageUp}}, {{kMsgKeyUp, kVkPageUp}}},
        {"left shoulder is Ctrl", SDL_CONTROLLER_BUTTON_LEFTSHOULDER, {{kMsgKeyDown, kVkControl}},
         {{kMsgKeyUp, kVkControl}}},
        {"right shoulder toggles auto on the press", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, {{kMsgToggleAuto, 0}}, {}},
        {"d-pad up", SDL_CONTROLLER_BUTTON_DPAD_UP, {{kMsgKeyDown, kVkUp}}, {{kMsgKeyUp, kVkUp}}},
        {"d-pad down", SDL_CONTROLLER_BUTTON_DPAD_DOWN, {{kMsgKeyDown, kVkDown}}, {{kMsgKeyUp, kVkDown}}},
        {"d-pad left", SDL_CONTROLLER_BUTTON_DPAD_LEFT, {{kMsgKeyDown, kVkLeft}}, {{kMsgKeyUp, kVkLeft}}},
        {"d-pad right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT, {{kMsgKeyDown, kVkRight}}, {{kMsgKeyUp, kVkRight}}},
        {"start is not mapped", SDL_CONTROLLER_BUTTON_START, {}, {}},
        {"guide is not mapped", SDL_CONTROLLER_BUTTON_GUIDE, {}, {}},
    };
    for (const auto& c : cases) {
        for (bool down : {true, false}) {
            sdl::PadStick sticks[sdl::kPadSticks];
            Message out[2];
            int n = sdl::TranslatePadEvent(PadButton(down, c.button), 70, 80, sticks, out);
            const std::vector<Expected>& want = down ? c.down : c.up;
            ASSERT_EQ(n, static_cast<int>(want.size())) << c.what << (down ? " down" : " up");
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(out[i].code, want[static_cast<size_t>(i)].code) << c.what;
                EXPECT_EQ(out[i].param, want[static_cast<size_t>(i)].param) << c.what;
                EXPECT_EQ(out[i].style, kFromGamepad) << c.what;
                EXPECT_EQ(out[i].x, 70) << c.what << " carries the pointer";
                EXPECT_EQ(out[i].y, 80) << c.what;
            }
        }
    }
}

TEST(Gamepad, LeftStickPressesArrowsWithHysteresis) {
    const struct {
        const char* what;
        uint8_t axis;
        int16_t value;
        std::vector<Expected> made;
    } steps[] = {
        {"a small push does nothing", SDL_CONTROLLER_AXIS_LEFTX, 12000, {}},
        {"past half presses Right", SDL_CONTROLLER_AXIS_LEFTX, 20000, {{kMsgKeyDown, kVkRight}}},
        {"further out: still held, no repeat", SDL_CONTROLLER_AXIS_LEFTX, 32767, {}},
        {"back between a quarter and half: still held", SDL_CONTROLLER_AXIS_LEFTX, 10000, {}},
        {"inside a quarter lets go", SDL_CONTROLLER_AXIS_LEFTX, 3000, {{kMsgKeyUp, kVkRight}}},
        {"up is negative y", SDL_CONTROLLER_AXIS_LEFTY, -30000, {{kMsgKeyDown, kVkUp}}},
        {"flung to the other side: up let go, down pressed", SDL_CONTROLLER_AXIS_LEFTY, 30000,
         {{kMsgKeyUp, kVkUp}, {kMsgKeyDown, kVkDown}}},
        {"left", SDL_CONTROLLER_AXIS_LEFTX, -32768, {{kMsgKeyDown, kVkLeft}}},
        {"the right stick is not mapped", SDL_CONTROLLER_AXIS_RIGHTX, 32767, {}},
        {"a trigger is not mapped", SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767, {}},
    };
    sdl::PadStick sticks[sdl::kPadSticks];
    for (const auto& s : steps) {
        Message out[2];
        int n = sdl::TranslatePadEvent(PadAxis(s.axis, s.value), 0, 0, sticks, out);
        ASSERT_EQ(n, static_cast<int>(s.made.size())) << s.what;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(out[i].code, s.made[static_cast<size_t>(i)].code) << s.what;
            EXPECT_EQ(out[i].param, s.made[static_cast<size_t>(i)].param) << s.what;
        }
    }
    // A second pad keeps its own stick.
    Message out[2];
    EXPECT_EQ(sdl::TranslatePadEvent(PadAxis(SDL_CONTROLLER_AXIS_LEFTX, -32768, 9), 0, 0, sticks, out), 1);
    EXPECT_EQ(out[0].param, kVkLeft);
}

TEST(WindowScaling, FullScreenKeyAndCrispOnlyAtWholeScales) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_F11;
    int mx = 0, my = 0;
    Message m;
    ASSERT_TRUE(sdl::TranslateEvent(e, &m, &mx, &my));
    EXPECT_EQ(m.code, kMsgToggleFullscreen);
    e.key.repeat = 1;
    EXPECT_FALSE(sdl::TranslateEvent(e, &m, &mx, &my)) << "a held key toggles once";
    e.type = SDL_KEYUP;
    e.key.repeat = 0;
    EXPECT_FALSE(sdl::TranslateEvent(e, &m, &mx, &my));

    const struct {
        ScaleFilter filter;
        int w, h;
        bool crisp;
    } cases[] = {
        {kScaleAuto, 1024, 768, true},   {kScaleAuto, 2048, 1536, true}, {kScaleAuto, 3072, 2304, true},
        {kScaleAuto, 1920, 1440, false}, {kScaleAuto, 800, 600, false},  {kScaleAuto, 2048, 768, false},
        {kScaleCrisp, 1920, 1440, true}, {kScaleSmooth, 2048, 1536, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScaleIsCrisp(c.filter, c.w, c.h), c.crisp) << ScaleFilterName(c.filter) << " " << c.w << "x" << c.h;
    EXPECT_EQ(NextScaleFilter(NextScaleFilter(NextScaleFilter(kScaleAuto))), kScaleAuto);
    ScaleFilter f = kScaleAuto;
    EXPECT_TRUE(ParseScaleFilter("Smooth", &f));
    EXPECT_EQ(f, kScaleSmooth);
    EXPECT_FALSE(ParseScaleFilter("blurry", &f));
    EXPECT_EQ(f, kScaleSmooth) << "left as it was";
}

}  // namespace
