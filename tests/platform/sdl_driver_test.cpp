// The SDL driver on SDL's dummy video device: event translation, posting from
// other threads, waits with timeouts, presenting from another thread.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "platform/sync.h"
#include "platform/sdl_events.h"
#include "platform/sdl_window.h"
#include "platform/video.h"
#include "platform/video_sdl.h"
#include "platform/window_placement.h"

namespace {

using namespace platform;

SDL_Event Key(uint32_t type, SDL_Keycode key) {
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    e.key.keysym.sym = key;
    return e;
}

SDL_Event Button(uint32_t type, uint8_t button, uint8_t clicks, int x, int y) {
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    e.button.button = button;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    return e;
}

SDL_Event Wheel(int y, uint32_t direction) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    e.wheel.direction = direction;
    return e;
}

SDL_Event Window(uint8_t event) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    return e;
}

SDL_Event Motion(int x, int y, uint32_t state) {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    return e;
}

TEST(SdlEvents, Translation) {
    const struct {
        const char* what;
        SDL_Event event;
        bool produces;
        uint32_t code;
        int64_t param;
        int x, y;  // -1: the last known pointer position (40, 30)
    } cases[] = {
        {"enter", Key(SDL_KEYDOWN, SDLK_RETURN), true, kMsgKeyDown, kVkReturn, -1, -1},
        {"keypad enter is enter", Key(SDL_KEYUP, SDLK_KP_ENTER), true, kMsgKeyUp, kVkReturn, -1, -1},
        {"right shift is shift", Key(SDL_KEYDOWN, SDLK_RSHIFT), true, kMsgKeyDown, kVkShift, -1, -1},
        {"right ctrl is ctrl", Key(SDL_KEYDOWN, SDLK_RCTRL), true, kMsgKeyDown, kVkControl, -1, -1},
        {"letters are upper case codes", Key(SDL_KEYDOWN, SDLK_q), true, kMsgKeyDown, 'Q', -1, -1},
        {"page down", Key(SDL_KEYDOWN, SDLK_PAGEDOWN), true, kMsgKeyDown, kVkPageDown, -1, -1},
        {"f1", Key(SDL_KEYDOWN, SDLK_F1), true, kMsgKeyDown, kVkF1, -1, -1},
        {"unknown key", Key(SDL_KEYDOWN, SDLK_F5), false, 0, 0, 0, 0},
        {"left press", Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 5, 6), true, kMsgLButtonDown, 0, 5, 6},
        {"second click is a double click", Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2, 5, 6), true,
         kMsgLButtonDblClk, 0, 5, 6},
        {"third click is a press again", Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 3, 5, 6), true,
         kMsgLButtonDown, 0, 5, 6},
        {"left release after a double click", Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 2, 7, 8), true,
         kMsgLButtonUp, 0, 7, 8},
        {"right press", Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 1, 2), true, kMsgRButtonDown, 0, 1, 2},
        {"right release", Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1, 1, 2), true, kMsgRButtonUp, 0, 1, 2},
        {"middle button", Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 1, 2), false, 0, 0, 0, 0},
        {"wheel forward", Wheel(1, SDL_MOUSEWHEEL_NORMAL), true, kMsgMouseWheel, 120, -1, -1},
        {"wheel back, several steps", Wheel(-3, SDL_MOUSEWHEEL_NORMAL), true, kMsgMouseWheel, -120, -1, -1},
        {"flipped wheel", Wheel(1, SDL_MOUSEWHEEL_FLIPPED), true, kMsgMouseWheel, -120, -1, -1},
        {"horizontal scroll only", Wheel(0, SDL_MOUSEWHEEL_NORMAL), false, 0, 0, 0, 0},
        {"move with the left button held", Motion(9, 10, SDL_BUTTON_LMASK), true, kMsgMouseMove, kMkLButton,
         9, 10},
        {"close box", Window(SDL_WINDOWEVENT_CLOSE), true, kMsgClose, 0, 0, 0},
        {"expose", Window(SDL_WINDOWEVENT_EXPOSED), true, kMsgPaint, 0, 0, 0},
        {"focus in", Window(SDL_WINDOWEVENT_FOCUS_GAINED), true, kMsgSetFocus, 0, 0, 0},
        {"focus out", Window(SDL_WINDOWEVENT_FOCUS_LOST), true, kMsgKillFocus, 0, 0, 0},
        {"window moved", Window(SDL_WINDOWEVENT_MOVED), false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        int mx = 40, my = 30;
        Message m;
        bool produced = sdl::TranslateEvent(c.event, &m, &mx, &my);
        ASSERT_EQ(produced, c.produces) << c.what;
        if (!produced) continue;
        EXPECT_EQ(m.code, c.code) << c.what;
        EXPECT_EQ(m.param, c.param) << c.what;
        if (c.x >= 0) {
            EXPECT_EQ(m.x, c.x) << c.what;
            EXPECT_EQ(m.y, c.y) << c.what;
        } else {
            EXPECT_EQ(m.x, 40) << c.what << " carries the pointer position";
            EXPECT_EQ(m.y, 30) << c.what;
        }
    }
}

// One window for the whole program (SDL's dummy device).
class SdlDriver : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        // The dummy device's window never has the focus a pad's events need.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ready_ = InitSdlVideo() && SdlVideoDriver().createWindow("test", kFrameWidth, kFrameHeight);
    }
    static void TearDownTestSuite() {
        if (ready_) SdlVideoDriver().destroyWindow();
    }
    void SetUp() override {
        ASSERT_TRUE(ready_) << "the dummy video device did not open: " << SDL_GetError();
        // Drop what the window system sent at creation.
        Message m;
        while (SdlVideoDriver().pollMessage(&m)) {
        }
    }
    static bool ready_;
};
bool SdlDriver::ready_ = false;

TEST_F(SdlDriver, MessagesPostedFromAnotherThreadArriveInOrder) {
    const VideoDriver& v = SdlVideoDriver();
    const int kCount = 200;
    std::thread poster([&] {
        for (int i = 0; i < kCount; ++i) {
            Message m;
            m.code = kMsgMessageBox;
            m.param = i;
            std::snprintf(m.text, sizeof(m.text), "text %d", i);
            v.postMessage(m);
        }
    });
    int next = 0;
    Message m;
    while (next < kCount && v.waitMessage(&m, 20000)) {
        if (m.code != kMsgMessageBox) continue;  // window-system traffic
        ASSERT_EQ(m.param, next);
        EXPECT_EQ(std::string(m.text), "text " + std::to_string(next));
        ++next;
    }
    poster.join();
    EXPECT_EQ(next, kCount);
}

TEST_F(SdlDriver, TimedWaitEndsWithoutAMessage) {
    Message m;
    auto start = std::chrono::steady_clock::now();
    bool got = false;
    while ((got = SdlVideoDriver().waitMessage(&m, 80)) && m.code != kMsgWake) {
    }
    EXPECT_FALSE(got);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));
}

TEST_F(SdlDriver, UnlimitedWaitEndsOnAPost) {
    std::thread poster([] {
        Message m;
        m.code = kMsgWake;
        SdlVideoDriver().postMessage(m);
    });
    Message m;
    bool woke = false;
    while (!woke && SdlVideoDriver().waitMessage(&m, kInfinite)) woke = m.code == kMsgWake;
    poster.join();
    EXPECT_TRUE(woke);
}

TEST_F(SdlDriver, PresentFromAnotherThreadKeepsTheLastFrame) {
    const VideoDriver& v = SdlVideoDriver();
    const int pitch = kFrameWidth + 16;
    std::vector<uint32_t> frame(static_cast<size_t>(pitch) * kFrameHeight);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = 0x00010203u * static_cast<uint32_t>(i % 97);
    const uint32_t before11 = frame[pitch + 1], before_far = frame[700 * pitch + 1000];
    std::thread composer([&] {
        v.present(frame.data(), pitch, Rect{0, 0, kFrameWidth, kFrameHeight});
        // Only the corner pixel is presented next; (1, 1) changes outside
        // the dirty rectangle and must not show.
        frame[0] = 0x00ABCDEF;
        frame[pitch + 1] = 0x00123456;
        v.present(frame.data(), pitch, Rect{0, 0, 1, 1});
        Message m;
        m.code = kMsgWake;
        v.postMessage(m);
    });
    // The main thread uploads while it waits; presents never surface as messages.
    Message m;
    bool woke = false;
    while (!woke && v.waitMessage(&m, 20000)) woke = m.code == kMsgWake;
    composer.join();
    ASSERT_TRUE(woke);
    std::vector<uint32_t> shown(static_cast<size_t>(kFrameWidth) * kFrameHeight);
    ASSERT_TRUE(v.lastFrame(shown.data()));
    EXPECT_EQ(shown[0], 0xFFABCDEFu) << "shown opaque";
    EXPECT_EQ(shown[kFrameWidth + 1], 0xFF000000u | before11);
    EXPECT_EQ(shown[static_cast<size_t>(700) * kFrameWidth + 1000], 0xFF000000u | before_far);
}

TEST_F(SdlDriver, DisplayModesAndFrameArea) {
    const VideoDriver& v = SdlVideoDriver();
    for (DisplayMode mode : {kFullNearest, kFullFiltered, kFullLinear, kWindowed}) {
        ASSERT_TRUE(v.setDisplayMode(mode)) << mode;
        EXPECT_EQ(v.displayMode(), mode);
        int x, y, w, h;
        v.frameArea(&x, &y, &w, &h);
        EXPECT_GT(w, 0);
        EXPECT_EQ(static_cast<int64_t>(w) * 3, static_cast<int64_t>(h) * 4) << "4:3, mode " << mode;
    }
    int x, y, w, h;
    v.frameArea(&x, &y, &w, &h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, kFrameWidth);
    EXPECT_EQ(h, kFrameHeight);
    EXPECT_FALSE(v.setDisplayMode(static_cast<DisplayMode>(7)));
    EXPECT_STRNE(v.rendererName(), "");
}

// The window may be given any size: the frame keeps its shape between black
// bars, and what is shown stays the presented frame.
TEST_F(SdlDriver, ResizedWindowLetterboxesTheFrame) {
    const VideoDriver& v = SdlVideoDriver();
    SDL_Window* window = sdl::DialogParent();  // the window, on its own thread
    ASSERT_NE(window, nullptr);
    const struct {
        int w, h;
        int x, y, areaW, areaH;
    } cases[] = {
        {2048, 1536, 0, 0, 2048, 1536},   // twice: crisp
        {1600, 1000, 133, 0, 1333, 1000}, // wide: bars left and right
        {800, 900, 0, 150, 800, 600},     // tall and small: bars above and below
        {1024, 768, 0, 0, 1024, 768},
    };
    for (const auto& c : cases) {
        SDL_SetWindowSize(window, c.w, c.h);
        Message m;
        while (v.pollMessage(&m)) {
        }
        int x, y, w, h;
        v.frameArea(&x, &y, &w, &h);
        EXPECT_EQ(x, c.x) << c.w << "x" << c.h;
        EXPECT_EQ(y, c.y) << c.w << "x" << c.h;
        EXPECT_EQ(w, c.areaW) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.areaH) << c.w << "x" << c.h;
    }
    WindowPlacement place;
    ASSERT_TRUE(GetWindowPlacement(&place));
    EXPECT_EQ(place.width, 1024);
    EXPECT_EQ(place.height, 768);
}

// A pad plugged in while the game runs is opened, and its A button arrives
// as Enter through the window's message queue.
TEST_F(SdlDriver, HotPluggedGamepadPressesEnter) {
    int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                           SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    ASSERT_TRUE(SDL_IsGameController(device));
    SDL_Joystick* joystick = SDL_JoystickOpen(device);
    ASSERT_NE(joystick, nullptr) << SDL_GetError();
    const VideoDriver& v = SdlVideoDriver();
    Message m;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool pressed = false, released = false;
    int state = 0;
    while (!released && std::chrono::steady_clock::now() < deadline) {
        // The pad is opened when the driver sees it arrive, and a button that
        // went down before that is not news: press and release it in turn
        // until a press comes through, then let it go.
        state = pressed ? 0 : !state;
        SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, static_cast<Uint8>(state));
        if (!v.waitMessage(&m, 50)) continue;
        if (m.code == kMsgKeyDown && m.param == kVkReturn) {
            EXPECT_EQ(m.style, kFromGamepad);
            pressed = true;
        }
        if (pressed && m.code == kMsgKeyUp && m.param == kVkReturn) released = true;
    }
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(released);
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(device);
}

}  // namespace
