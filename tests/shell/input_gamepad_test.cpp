// A gamepad through the same input path as the keys and the mouse: SDL
// controller events are translated by the platform and handled by the input
// layer, and the variables, modes and system screens follow as they would
// for the keys the buttons stand for.
#include <SDL.h>

#include <string>
#include <vector>

#include "input_fixture.h"
#include "platform/sdl_gamepad.h"

using namespace input_test;

namespace {

struct Step {
    uint32_t t;
    enum { Button, Axis } kind;
    uint8_t id;     // button or axis
    int value;      // 1 down / 0 up, or the axis value
};

class Gamepad : public InputFixture {
protected:
    void Play(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            SDL_Event e;
            SDL_zero(e);
            if (s.kind == Step::Button) {
                e.type = s.value ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
                e.cbutton.button = s.id;
            } else {
                e.type = SDL_CONTROLLERAXISMOTION;
                e.caxis.axis = s.id;
                e.caxis.value = static_cast<int16_t>(s.value);
            }
            platform::Message made[2];
            int n = platform::sdl::TranslatePadEvent(e, 0, 0, sticks_, made);
            for (int i = 0; i < n; ++i) {
                g_world.now = s.t;
                made[i].time = s.t;
                shell::HandleMessage(made[i]);
            }
        }
    }
    platform::sdl::PadStick sticks_[platform::sdl::kPadSticks];
};

constexpr auto B = Step::Button;
constexpr auto X = Step::Axis;

TEST_F(Gamepad, ButtonsActAsTheirKeys) {
    const struct {
        const char* name;
        std::vector<Step> steps;
        const char* variable;
        double value;
    } cases[] = {
        {"A held: Enter's variables", {{1000, B, SDL_CONTROLLER_BUTTON_A, 1}}, "$SYSTEM_keydown_enter", 1},
        {"A held: the pad's own variable", {{1000, B, SDL_CONTROLLER_BUTTON_A, 1}}, "$SYSTEM_XBOX360_button_a_down",
         1},
        {"A let go", {{1000, B, SDL_CONTROLLER_BUTTON_A, 1}, {1100, B, SDL_CONTROLLER_BUTTON_A, 0}},
         "$SYSTEM_keydown_enter", 0},
        {"B is the right button", {{1000, B, SDL_CONTROLLER_BUTTON_B, 1}}, "$SYSTEM_r_button_down", 1},
        {"X hides the text window", {{1000, B, SDL_CONTROLLER_BUTTON_X, 1}}, "$SYSTEM_text_erase", 1},
        {"X twice shows it again",
         {{1000, B, SDL_CONTROLLER_BUTTON_X, 1},
          {1100, B, SDL_CONTROLLER_BUTTON_X, 0},
          {1300, B, SDL_CONTROLLER_BUTTON_X, 1}},
         "$SYSTEM_text_erase", 0},
        {"Y is Page Up", {{1000, B, SDL_CONTROLLER_BUTTON_Y, 1}}, "$SYSTEM_keydown_pageup", 1},
        {"left shoulder held skips", {{1000, B, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 1}}, "$SYSTEM_skip", 1},
        {"left shoulder let go ends skip",
         {{1000, B, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 1}, {3000, B, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0}},
         "$SYSTEM_skip", 0},
        {"right shoulder starts automatic mode", {{1000, B, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 1}},
         "$SYSTEM_text_auto", 1},
        {"right shoulder again ends it",
         {{1000, B, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 1},
          {1100, B, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0},
          {1200, B, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 1}},
         "$SYSTEM_text_auto", 0},
        {"d-pad right", {{1000, B, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1}}, "$SYSTEM_keydown_right", 1},
        {"stick left", {{1000, X, SDL_CONTROLLER_AXIS_LEFTX, -30000}}, "$SYSTEM_keydown_left", 1},
        {"stick back to the middle",
         {{1000, X, SDL_CONTROLLER_AXIS_LEFTX, -30000}, {1100, X, SDL_CONTROLLER_AXIS_LEFTX, 0}},
         "$SYSTEM_keydown_left", 0},
    };
    for (const auto& c : cases) {
        Fresh();
        for (auto& s : sticks_) s = platform::sdl::PadStick{};
        Play(c.steps);
        EXPECT_EQ(Var(c.variable), c.value) << c.name;
    }
}

TEST_F(Gamepad, BacklogOpensWithYButNotWithThePadsUp) {
    const struct {
        const char* name;
        uint8_t button;
        bool opens;
    } cases[] = {
        {"Y opens the backlog", SDL_CONTROLLER_BUTTON_Y, true},
        {"d-pad up moves the focus only", SDL_CONTROLLER_BUTTON_DPAD_UP, false},
    };
    for (const auto& c : cases) {
        Fresh();
        core::Current().settings.backlogScript = "backlog.txt";
        g_world.backlogReady = 1;
        Play({{1000, B, c.button, 1}});
        EXPECT_EQ(!g_world.started.empty(), c.opens) << c.name;
    }
}

}  // namespace
