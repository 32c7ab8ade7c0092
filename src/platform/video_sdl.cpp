#include "platform/video_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/sdl_events.h"
#include "platform/sdl_gamepad.h"
#include "platform/sdl_presenter.h"
#include "platform/sdl_window.h"
#include "platform/window_icon.h"
#include "platform/window_placement.h"

namespace platform {

namespace {

// Codes of the driver's wake events (SDL user events of type g.wakeType).
enum WakeCode : int32_t { kWakePosted = 1, kWakePresent, kWakeCursor, kWakeWarp, kWakeMode };

struct SdlState {
    bool ready = false;  // SDL video initialised
    uint32_t wakeType = 0;

    // Main thread only.
    SDL_Window* window = nullptr;
    SDL_Cursor* cursors[3] = {};
    int appliedCursor = -1;
    int appliedVisible = -1;

    std::atomic<std::thread::id> owner{};
    std::atomic<int> cursorShape{kCursorArrow};
    std::atomic<bool> cursorVisible{true};
    std::atomic<int> mouseX{0}, mouseY{0};

    // Posted messages and deferred requests.
    std::mutex mutex;
    std::deque<Message> posted;
    int unannounced = 0;  // posted messages whose wake event could not be pushed
    bool warpPending = false;
    int warpX = 0, warpY = 0;

    // Main thread: the size and place to open the window with, then the
    // last windowed size and place (kept while full screen).
    WindowPlacement placement;
    sdl::PadStick sticks[sdl::kPadSticks];
};

// The smallest window the player can drag it to.
constexpr int kMinWindowWidth = 320, kMinWindowHeight = 240;

SdlState& S() {
    static SdlState s;
    return s;
}

bool OnOwnerThread() { return S().window && S().owner.load() == std::this_thread::get_id(); }

bool PushWake(WakeCode code, intptr_t value = 0) {
    SdlState& s = S();
    if (!s.ready) return false;
    SDL_Event e;
    SDL_zero(e);
    e.type = s.wakeType;
    e.user.code = code;
    e.user.data1 = reinterpret_cast<void*>(value);
    return SDL_PushEvent(&e) == 1;
}

// --- main-thread helpers ---

void ApplyCursor() {
    SdlState& s = S();
    if (!s.window) return;
    int shape = s.cursorShape.load();
    if (shape < 0 || shape > 2) shape = kCursorArrow;
    if (shape != s.appliedCursor && s.cursors[shape]) {
        SDL_SetCursor(s.cursors[shape]);
        s.appliedCursor = shape;
    }
    int visible = s.cursorVisible.load() ? 1 : 0;
    if (visible != s.appliedVisible) {
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
        s.appliedVisible = visible;
    }
}

void ApplyWarp() {
    SdlState& s = S();
    int x, y;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.warpPending) return;
        s.warpPending = false;
        x = s.warpX;
        y = s.warpY;
    }
    // The window system answers with a mouse-move message, which is what
    // threads that warp the cursor rely on to wake the main loop.
    if (s.window) SDL_WarpMouseInWindow(s.window, x, y);
}

void Reconfigure(DisplayMode mode) {
    SdlState& s = S();
    int ow = 0, oh = 0, ww = 0, wh = 0;
    SDL_Renderer* renderer = SDL_GetRenderer(s.window);
    if (renderer) SDL_GetRendererOutputSize(renderer, &ow, &oh);
    SDL_GetWindowSize(s.window, &ww, &wh);
    if (ow <= 0 || oh <= 0) {
        ow = ww;
        oh = wh;
    }
    sdl::PresenterConfigure(mode, ow, oh, ww, wh);
}

bool ApplyMode(DisplayMode mode) {
    SdlState& s = S();
    if (!s.window) return false;
    if (mode == kWindowed) {
        bool wasFull = (SDL_GetWindowFlags(s.window) & SDL_WINDOW_FULLSCREEN) != 0;
        if (SDL_SetWindowFullscreen(s.window, 0) != 0) return false;
        // Back to the size and place the player gave the window.
        if (wasFull) {
            const WindowPlacement& w = s.placement;
            SDL_SetWindowSize(s.window, w.width, w.height);
            if (w.placed)
                SDL_SetWindowPosition(s.window, w.x, w.y);
            else
                SDL_SetWindowPosition(s.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        }
    } else if (SDL_SetWindowFullscreen(s.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        std::fprintf(stderr, "velmoor: cannot switch to full screen: %s\n", SDL_GetError());
        return false;
    }
    Reconfigure(mode);
    return true;
}

// Notes the window's size and place while it is a plain window (neither full
// screen nor maximised, which the window system undoes by itself).
void RememberPlacement() {
    SdlState& s = S();
    if (!s.window) return;
    uint32_t flags = SDL_GetWindowFlags(s.window);
    if (flags & SDL_WINDOW_FULLSCREEN) return;
    s.placement.maximized = (flags & SDL_WINDOW_MAXIMIZED) != 0;
    if (s.placement.maximized || (flags & SDL_WINDOW_MINIMIZED)) return;
    SDL_GetWindowSize(s.window, &s.placement.width, &s.placement.height);
    SDL_GetWindowPosition(s.window, &s.placement.x, &s.placement.y);
    s.placement.placed = true;
}

// The opening size and place: a place on no display is dropped, a size
// clamped between the minimum and the largest display.
void CheckPlacement(WindowPlacement* w) {
    int largestW = kFrameWidth, largestH = kFrameHeight;
    bool onDisplay = false;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayUsableBounds(i, &bounds) != 0 && SDL_GetDisplayBounds(i, &bounds) != 0) continue;
        largestW = std::max(largestW, bounds.w);
        largestH = std::max(largestH, bounds.h);
        // At least a corner of the title bar must be reachable.
        if (w->x + 64 > bounds.x && w->x < bounds.x + bounds.w - 64 && w->y >= bounds.y - 16 &&
            w->y < bounds.y + bounds.h - 32)
            onDisplay = true;
    }
    if (!onDisplay) w->placed = false;
    w->width = std::clamp(w->width, kMinWindowWidth, largestW);
    w->height = std::clamp(w->height, kMinWindowHeight, largestH);
}

// Acts on one SDL event; true when it produced a message for the engine.
bool Dispatch(const SDL_Event& e, Message* out) {
    SdlState& s = S();
    if (e.type == s.wakeType && s.wakeType != 0) {
        switch (e.user.code) {
            case kWakePosted: {
                std::lock_guard<std::mutex> lock(s.mutex);
                if (s.posted.empty()) return false;  // already handed out
                *out = s.posted.front();
                s.posted.pop_front();
                return true;
            }
            case kWakePresent: sdl::PresenterFlush(false); return false;
            case kWakeCursor: ApplyCursor(); return false;
            case kWakeWarp: ApplyWarp(); return false;
            case kWakeMode:
                ApplyMode(static_cast<DisplayMode>(reinterpret_cast<intptr_t>(e.user.data1)));
                return false;
            default: return false;
        }
    }
    if (e.type == SDL_WINDOWEVENT) {
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) Reconfigure(sdl::PresenterMode());
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) sdl::PresenterFlush(true);
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || e.window.event == SDL_WINDOWEVENT_MOVED ||
            e.window.event == SDL_WINDOWEVENT_MAXIMIZED || e.window.event == SDL_WINDOWEVENT_RESTORED)
            RememberPlacement();
    }
    if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_F10 && e.key.repeat == 0) {
        // The scaling key steps auto -> crisp -> smooth; the game never sees it.
        ScaleFilter next = NextScaleFilter(sdl::PresenterScaleFilter());
        sdl::PresenterSetScaleFilter(next);
        s.placement.filter = next;
        std::fprintf(stderr, "velmoor: scaling %s\n", ScaleFilterName(next));
        Reconfigure(sdl::PresenterMode());
        return false;
    }
    if (e.type == SDL_CONTROLLERDEVICEADDED) {
        sdl::PadAdded(e.cdevice.which);
        return false;
    }
    if (e.type == SDL_CONTROLLERDEVICEREMOVED) {
        sdl::PadRemoved(e.cdevice.which);
        for (sdl::PadStick& stick : s.sticks)
            if (stick.pad == e.cdevice.which) stick = sdl::PadStick{};
        return false;
    }
    if (e.type == SDL_CONTROLLERBUTTONDOWN || e.type == SDL_CONTROLLERBUTTONUP ||
        e.type == SDL_CONTROLLERAXISMOTION) {
        Message made[2];
        int n = sdl::TranslatePadEvent(e, s.mouseX.load(), s.mouseY.load(), s.sticks, made);
        if (n == 2) {
            // The second goes first in line, handed out before the next wait.
            std::lock_guard<std::mutex> lock(s.mutex);
            s.posted.push_front(made[1]);
            ++s.unannounced;
        }
        if (n > 0) *out = made[0];
        return n > 0;
    }
    int x = s.mouseX.load(), y = s.mouseY.load();
    bool produced = sdl::TranslateEvent(e, out, &x, &y);
    s.mouseX = x;
    s.mouseY = y;
    return produced;
}

// A posted message whose wake event was lost, if any.
bool TakeUnannounced(Message* out) {
    SdlState& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.unannounced == 0 || s.posted.empty()) return false;
    --s.unannounced;
    *out = s.posted.front();
    s.posted.pop_front();
    return true;
}

// --- the driver ---

bool SCreateWindow(const char* titleUtf8, int width, int height) {
    SdlState& s = S();
    if (!s.ready) return false;
    if (s.window) return true;
    WindowPlacement& place = s.placement;
    if (width != kFrameWidth || height != kFrameHeight || (place.width <= 0 || place.height <= 0)) {
        place.width = width;
        place.height = height;
    }
    CheckPlacement(&place);
    uint32_t flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (place.maximized) flags |= SDL_WINDOW_MAXIMIZED;
    s.window = SDL_CreateWindow(titleUtf8 ? titleUtf8 : "", place.placed ? place.x : SDL_WINDOWPOS_CENTERED,
                                place.placed ? place.y : SDL_WINDOWPOS_CENTERED, place.width, place.height,
                                flags);
    if (!s.window) {
        std::fprintf(stderr, "velmoor: cannot create the window: %s\n", SDL_GetError());
        return false;
    }
    s.owner = std::this_thread::get_id();
    SDL_SetWindowMinimumSize(s.window, kMinWindowWidth, kMinWindowHeight);
    sdl::PresenterSetScaleFilter(place.filter);
    std::vector<uint32_t> icon = MakeWindowIcon(32);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(icon.data(), 32, 32, 32, 32 * 4,
                                                              SDL_PIXELFORMAT_ARGB8888);
    if (surface) {
        SDL_SetWindowIcon(s.window, surface);
        SDL_FreeSurface(surface);
    }
    s.cursors[kCursorArrow] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    s.cursors[kCursorWait] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    s.cursors[kCursorHand] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    s.appliedCursor = -1;
    s.appliedVisible = -1;
    // Keys only: no text input method for a game that reads raw keys.
    SDL_StopTextInput();
    if (!sdl::PresenterCreate(s.window)) {
        for (SDL_Cursor*& c : s.cursors) {
            if (c) SDL_FreeCursor(c);
            c = nullptr;
        }
        SDL_DestroyWindow(s.window);
        s.window = nullptr;
        s.owner = std::thread::id();
        return false;
    }
    ApplyCursor();
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    s.mouseX = x;
    s.mouseY = y;
    SDL_RaiseWindow(s.window);
    return true;
}

void SDestroyWindow() {
    SdlState& s = S();
    if (!s.window) return;
    sdl::PresenterDestroy();
    SDL_SetCursor(SDL_GetDefaultCursor());
    for (SDL_Cursor*& c : s.cursors) {
        if (c) SDL_FreeCursor(c);
        c = nullptr;
    }
    sdl::CloseAllPads();
    SDL_DestroyWindow(s.window);
    s.window = nullptr;
    s.owner = std::thread::id();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.posted.clear();
    s.unannounced = 0;
}

void SSetTitle(const char* titleUtf8) {
    if (S().window && OnOwnerThread()) SDL_SetWindowTitle(S().window, titleUtf8 ? titleUtf8 : "");
}

void SSetIcon(const uint32_t* pixels, int width, int height) {
    if (!S().window || !OnOwnerThread() || !pixels || width <= 0 || height <= 0) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(pixels), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;
    SDL_SetWindowIcon(S().window, surface);
    SDL_FreeSurface(surface);
}

void SSetCursor(CursorShape shape) {
    S().cursorShape = shape;
    if (OnOwnerThread())
        ApplyCursor();
    else
        PushWake(kWakeCursor);
}

void SShowCursor(bool visible) {
    S().cursorVisible = visible;
    if (OnOwnerThread())
        ApplyCursor();
    else
        PushWake(kWakeCursor);
}

// Shared by waitMessage (block) and pollMessage (!block).
bool NextMessage(Message* out, int timeoutMs, bool block) {
    SdlState& s = S();
    // Pumping SDL's events is the window thread's business; before the window
    // exists the thread that waits is the one that will create it.
    if (!s.ready || (s.window && !OnOwnerThread())) return false;
    // Steady clock with rounding up: a timed wait never ends early.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    auto left = [&] {
        auto rest = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        return rest.count() > 0 ? static_cast<int>(rest.count()) : 0;
    };
    for (;;) {
        if (TakeUnannounced(out)) return true;
        if (s.window) sdl::PresenterFlush(false);
        SDL_Event e;
        int got;
        if (!block) {
            got = SDL_PollEvent(&e);
        } else if (timeoutMs < 0) {
            got = SDL_WaitEvent(&e);
        } else {
            got = SDL_WaitEventTimeout(&e, left());
        }
        if (!got) {
            if (!block) return false;
            if (timeoutMs >= 0 && left() == 0) return false;
            if (timeoutMs < 0) SDL_Delay(1);  // a failing wait must not spin
            continue;
        }
        if (Dispatch(e, out)) return true;
    }
}

bool SWaitMessage(Message* out, int timeoutMs) { return NextMessage(out, timeoutMs, true); }
bool SPollMessage(Message* out) { return NextMessage(out, 0, false); }

void SPostMessage(const Message& message) {
    SdlState& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.posted.push_back(message);
    s.posted.back().time = TimeMs();
    if (!PushWake(kWakePosted)) ++s.unannounced;
}

void SPresent(const uint32_t* frame, int pitch, Rect dirty) {
    if (OnOwnerThread()) {
        sdl::PresenterSubmit(frame, pitch, dirty);
        sdl::PresenterFlush(false);
        return;
    }
    // When no wake can be queued (SDL's queue is full) the picture stays
    // pending: the next submit tries again, and the main thread flushes
    // whatever is pending before it blocks.
    if (sdl::PresenterSubmit(frame, pitch, dirty) && !PushWake(kWakePresent)) sdl::PresenterWakeLost();
}

void SPresentMovie(const uint32_t* pixels, int width, int height, int pitch, Rect area) {
    if (OnOwnerThread()) {
        sdl::PresenterSubmitMovie(pixels, width, height, pitch, area);
        sdl::PresenterFlush(false);
        return;
    }
    if (sdl::PresenterSubmitMovie(pixels, width, height, pitch, area) && !PushWake(kWakePresent))
        sdl::PresenterWakeLost();
}

void SClientSize(int* width, int* height) { sdl::PresenterClientSize(width, height); }

bool SSetDisplayMode(DisplayMode mode) {
    if (mode < kWindowed || mode > kFullFiltered) return false;
    if (!S().window) return false;
    if (OnOwnerThread()) return ApplyMode(mode);
    return PushWake(kWakeMode, mode);
}

DisplayMode SDisplayMode() { return sdl::PresenterMode(); }

void SFrameArea(int* x, int* y, int* width, int* height) { sdl::PresenterFrameArea(x, y, width, height); }

void SRaise() {
    SdlState& s = S();
    if (!s.window || !OnOwnerThread()) return;
    if (SDL_GetWindowFlags(s.window) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(s.window);
    SDL_ShowWindow(s.window);
    SDL_RaiseWindow(s.window);
}

void SGetMouse(int* x, int* y) {
    *x = S().mouseX.load();
    *y = S().mouseY.load();
}

void SWarpMouse(int x, int y) {
    SdlState& s = S();
    s.mouseX = x;
    s.mouseY = y;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.warpPending = true;
        s.warpX = x;
        s.warpY = y;
    }
    if (OnOwnerThread())
        ApplyWarp();
    else
        PushWake(kWakeWarp);
}

bool SLastFrame(uint32_t* out) { return sdl::PresenterLastFrame(out); }
const char* SRendererName() { return sdl::PresenterRendererName(); }
bool SAccelerated() { return sdl::PresenterAccelerated(); }

const VideoDriver kSdl = {
    "sdl",          SCreateWindow, SDestroyWindow, SSetTitle,    SSetIcon,   SSetCursor,
    SShowCursor,    SWaitMessage,  SPollMessage,   SPostMessage, SPresent,   SSetDisplayMode,
    SDisplayMode,   SFrameArea,    SRaise,         SGetMouse,    SWarpMouse, SLastFrame,
    SRendererName,  SAccelerated,  SPresentMovie,  SClientSize,
};

}  // namespace

void SetWindowPlacement(const WindowPlacement& placement) {
    SdlState& s = S();
    if (s.window) return;  // only the opening place
    s.placement = placement;
    sdl::PresenterSetScaleFilter(placement.filter);
}

bool GetWindowPlacement(WindowPlacement* out) {
    SdlState& s = S();
    if (!s.window || !OnOwnerThread()) return false;
    RememberPlacement();
    *out = s.placement;
    out->filter = sdl::PresenterScaleFilter();
    return true;
}

namespace sdl {
SDL_Window* DialogParent() { return OnOwnerThread() ? S().window : nullptr; }
}  // namespace sdl

bool InitSdlVideo() {
    SdlState& s = S();
    if (s.ready) return true;
    // The close box arrives as a window event; SDL must not turn it into a
    // quit of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A click that activates the window is a click for the game too.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "velmoor: cannot open a display: %s\n", SDL_GetError());
        return false;
    }
    // Without a display SDL may settle on a driver that shows nothing: the
    // player would run unseen. Those serve only when asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    bool invisible = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
                                std::strcmp(driver, "evdev") == 0);
    if (invisible && !(asked && *asked)) {
        std::fprintf(stderr, "velmoor: no display is available (SDL found only its \"%s\" driver); "
                             "run the game with velmoor-tool run --headless instead\n", driver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    // Gamepads are a comfort: without them the player runs on.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        std::fprintf(stderr, "velmoor: gamepads are not available: %s\n", SDL_GetError());
    s.wakeType = SDL_RegisterEvents(1);
    if (s.wakeType == static_cast<uint32_t>(-1)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    s.ready = true;
    return true;
}

const VideoDriver& SdlVideoDriver() { return kSdl; }

}  // namespace platform
